#include "storage/DatabaseCheckIndex.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <climits>
#include <cstring>

using namespace IndexFormat;

namespace {

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

// A decimal number as the keys write it: an optional "-" (when negative is allowed),
// then digits without a leading zero, within low..high.
bool IsKeyNumber(std::string_view text, bool negative, std::int64_t low, std::int64_t high) {
    if (negative && !text.empty() && text[0] == '-')
        text.remove_prefix(1);
    else
        negative = false;
    if (text.empty() || text.size() > 10 || (text[0] == '0' && (text.size() > 1 || negative)))
        return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    return value >= low && value <= high;
}

} // namespace

std::string KeyFault(std::string_view key) {
    if (key.empty())
        return "the key is empty";
    const std::string_view rest = key.substr(1);
    switch (key[0]) {
    case dateFamily:
        return IsKeyNumber(rest, true, INT32_MIN, INT32_MAX)
                   ? ""
                   : "date key is not a number of seconds";
    case nameFamily:
        return "";
    case crcFamily:
        return IsKeyNumber(rest, false, 0, 65535) ? "" : "CRC key is not a number from 0 to 65535";
    case keywordFamily:
        return rest.empty() ? "keyword key holds no keyword" : "";
    default:
        return "the key belongs to no family";
    }
}

bool CIndexCheck::Open(const std::string& path) {
    CFileException error;
    if (m_file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error))
        return true;
    if (error.Cause() == FileCause::fileNotFound)
        Problem("missing index file", "index file " + path + ": not found");
    else
        Problem("unreadable index file",
                "index file " + path + ": cannot be opened: " + FileErrorText(error.Cause()));
    return false;
}

CIndexEntry CIndexCheck::Entry(std::int32_t i) const {
    CIndexEntry entry;
    entry.Decode(m_entries.data() + static_cast<std::size_t>(i) * entrySize);
    return entry;
}

std::string CIndexCheck::Describe(std::int32_t i) const {
    std::string text = "entry " + Number(i);
    if (m_loaded && i >= 0 && i < m_count)
        text += " (key " + QuoteText(Entry(i).Key()) + ")";
    return text;
}

bool CIndexCheck::CheckHeaderAndLength() {
    m_length = m_file.GetLength();
    if (m_length < headerSize) {
        Problem("index file shorter than its header",
                "index file: " + Number(m_length) + " bytes, shorter than its 32,792-byte header");
        return false;
    }
    std::vector<std::uint8_t> bytes(headerSize);
    if (m_file.ReadAt(bytes.data(), bytes.size(), 0) != bytes.size()) {
        Problem("unreadable index file", "index file: the header cannot be read");
        return false;
    }
    DecodeIndexHeader(bytes.data(), m_header);
    const std::size_t formatLength = std::strlen(formatString);
    if (std::memcmp(m_header.format, formatString, formatLength + 1) != 0 ||
        m_header.format[sizeof m_header.format - 1] != 0)
        Problem("wrong index header", "index header: the format string is not \"PDX.100.00\"");
    // The generation and the modification count wrap round: every value is valid.

    const std::int64_t entryBytes = m_length - headerSize;
    if (entryBytes % entrySize != 0)
        Problem("torn entry at the end", "index file: " + Number(entryBytes % entrySize) +
                                             " bytes after the last whole entry");
    const std::int64_t count = entryBytes / entrySize;
    m_count = static_cast<std::int32_t>(std::min<std::int64_t>(count, INT32_MAX));
    if (count > maxEntries) {
        Problem("index file too large", "index file: " + Number(count) +
                                            " entries, too many to check (at most " +
                                            Number(maxEntries) + ")");
        return false;
    }
    return true;
}

bool CIndexCheck::CheckSkipBounds() {
    const std::int32_t length = m_header.skipLength;
    if (length < 0 || length > skipSlots) {
        Problem("wrong skip table length",
                "index header: skip table length " + Number(length) + " outside 0 to 8192");
        return false;
    }
    if (length == 1)
        Problem("wrong skip table length",
                "index header: skip table length 1 (a list uses no slot or at least two)");
    if (length == 0 && m_count > 0)
        Problem("wrong skip table length", "index header: the skip table is empty, but the file "
                                           "holds " +
                                               Number(m_count) + " entries");
    bool usable = length > 0;
    for (int k = 0; k < skipSlots; ++k) {
        const std::int32_t slot = m_header.skip[static_cast<std::size_t>(k)];
        if (k < length && (slot < 0 || slot >= m_count)) {
            Problem("skip slots naming no entry", "skip slot " + Number(k) + ": names entry " +
                                                      Number(slot) + ", outside the file's " +
                                                      Number(m_count) + " entries");
            usable = false;
        } else if (k >= length && slot != -1) {
            Problem("unused skip slots not cleared",
                    "skip slot " + Number(k) + ": unused, but holds " + Number(slot));
        }
    }
    return usable;
}

void CIndexCheck::CheckQuick() {
    try {
        if (!CheckHeaderAndLength() || !CheckSkipBounds())
            return;
        // The two slots that stay exact between rebuilds must name the ends of the list.
        const std::int32_t length = m_header.skipLength;
        const std::int32_t first = m_header.skip[0];
        const std::int32_t last = m_header.skip[static_cast<std::size_t>(length - 1)];
        std::uint8_t bytes[entrySize];
        if (m_file.ReadAt(bytes, entrySize, headerSize + std::int64_t{first} * entrySize) ==
                entrySize &&
            GetLe32(bytes) != -1)
            Problem("first skip slot not the first entry",
                    "skip slot 0: entry " + Number(first) + " is not the first of the list");
        if (m_file.ReadAt(bytes, entrySize, headerSize + std::int64_t{last} * entrySize) ==
                entrySize &&
            GetLe32(bytes + 4) != -1)
            Problem("last skip slot not the last entry", "skip slot " + Number(length - 1) +
                                                             ": entry " + Number(last) +
                                                             " is not the last of the list");
    } catch (const CFileException& e) {
        Problem("unreadable index file", std::string("index file: cannot be read: ") + e.what());
    }
}

void CIndexCheck::CheckFull() {
    try {
        if (!CheckHeaderAndLength())
            return;
        const bool slotsUsable = CheckSkipBounds();
        if (!ReadEntries())
            return;
        CheckEntries();
        WalkList(FirstEntry(slotsUsable));
        if (slotsUsable)
            CheckSkipOrder();
    } catch (const CFileException& e) {
        Problem("unreadable index file", std::string("index file: cannot be read: ") + e.what());
    }
}

bool CIndexCheck::ReadEntries() {
    m_entries.resize(static_cast<std::size_t>(m_count) * entrySize);
    if (!m_entries.empty() &&
        m_file.ReadAt(m_entries.data(), m_entries.size(), headerSize) != m_entries.size()) {
        Problem("unreadable index file", "index file: the entries cannot be read");
        m_entries.clear();
        return false;
    }
    m_loaded = true;
    return true;
}

void CIndexCheck::CheckEntries() {
    m_byRecord.reserve(static_cast<std::size_t>(m_count));
    for (std::int32_t i = 0; i < m_count; ++i) {
        const std::uint8_t* bytes = m_entries.data() + static_cast<std::size_t>(i) * entrySize;
        const CIndexEntry entry = Entry(i);
        if (entry.number != i)
            Problem("own numbers that disagree",
                    Describe(i) + ": its own number field holds " + Number(entry.number));
        if ((entry.flags & ~flagDeleted) != 0)
            Problem("unknown flag bits",
                    Describe(i) + ": flags " + Number(entry.flags) + " set bits other than 0");
        if (!std::memchr(bytes + 16, 0, keyField))
            Problem("keys without their end", Describe(i) + ": the key fills its field without "
                                                            "a terminating NUL");
        if (std::string fault = KeyFault(entry.Key()); !fault.empty())
            Problem("keys invalid for their family", Describe(i) + ": " + fault);
        m_byRecord.emplace_back(entry.record, i);
    }
    std::sort(m_byRecord.begin(), m_byRecord.end());
}

std::int32_t CIndexCheck::FirstEntry(bool slotsUsable) {
    if (m_count == 0)
        return -1;
    const std::int32_t slot = m_header.skip[0];
    if (slotsUsable && Entry(slot).previous == -1)
        return slot;
    if (slotsUsable)
        Problem("first skip slot not the first entry",
                "skip slot 0: " + Describe(slot) + " is not the first of the list");
    for (std::int32_t i = 0; i < m_count; ++i)
        if (Entry(i).previous == -1)
            return i;
    Problem("no first entry", "index list: no entry starts the list (every entry has a "
                              "previous one)");
    return -1;
}

void CIndexCheck::WalkList(std::int32_t first) {
    m_position.assign(static_cast<std::size_t>(m_count), -1);
    std::int32_t previous = -1;
    std::string previousKey;
    std::int32_t position = 0;
    // Every step marks a new entry, so the walk ends after at most m_count steps.
    for (std::int32_t i = first; i != -1;) {
        if (i < 0 || i >= m_count) {
            Problem("links outside the file", Describe(previous) + ": next link " + Number(i) +
                                                  " names no entry of the file");
            break;
        }
        if (m_position[static_cast<std::size_t>(i)] != -1) {
            Problem("loops in the list", Describe(previous) + ": next link leads back to entry " +
                                             Number(i) + ", already on the list");
            break;
        }
        m_position[static_cast<std::size_t>(i)] = position++;
        const CIndexEntry entry = Entry(i);
        if (entry.previous != previous)
            Problem("previous links that disagree",
                    Describe(i) + ": previous link " + Number(entry.previous) +
                        ", but the list reaches it from " +
                        (previous == -1 ? std::string("its start") : "entry " + Number(previous)));
        if (previous != -1 && CompareKeys(previousKey, entry.Key(), true) > 0)
            Problem("keys out of order", Describe(i) + ": sorts before " + QuoteText(previousKey) +
                                             " of entry " + Number(previous) + " ahead of it");
        previousKey = entry.Key();
        previous = i;
        i = entry.next;
    }
    m_listLast = previous;
    for (std::int32_t i = 0; i < m_count; ++i)
        if (m_position[static_cast<std::size_t>(i)] == -1)
            Problem("entries not reachable", Describe(i) + ": not reachable from the first entry");
}

void CIndexCheck::CheckSkipOrder() {
    const std::int32_t length = m_header.skipLength;
    std::int32_t lastPosition = -1;
    for (std::int32_t k = 0; k < length; ++k) {
        const std::int32_t slot = m_header.skip[static_cast<std::size_t>(k)];
        const std::int32_t position = m_position[static_cast<std::size_t>(slot)];
        if (position == -1) {
            Problem("skip slots naming entries off the list",
                    "skip slot " + Number(k) + ": " + Describe(slot) + " is not on the list");
            continue;
        }
        if (position < lastPosition)
            Problem("skip slots out of list order", "skip slot " + Number(k) + ": " +
                                                        Describe(slot) +
                                                        " comes before the entry of the slot "
                                                        "ahead of it");
        lastPosition = std::max(lastPosition, position);
    }
    const std::int32_t last = m_header.skip[static_cast<std::size_t>(length - 1)];
    if (m_listLast != -1 && last != m_listLast)
        Problem("last skip slot not the last entry", "skip slot " + Number(length - 1) + ": " +
                                                         Describe(last) +
                                                         " is not the last of the list");
}

std::span<const std::pair<std::int32_t, std::int32_t>>
CIndexCheck::EntriesOf(std::int32_t block) const {
    auto from = std::lower_bound(m_byRecord.begin(), m_byRecord.end(),
                                 std::pair<std::int32_t, std::int32_t>{block, INT32_MIN});
    auto to = std::lower_bound(from, m_byRecord.end(),
                               std::pair<std::int32_t, std::int32_t>{block, INT32_MAX});
    return {from, to};
}

void CIndexCheck::CheckRecordsAreHeads(std::int32_t blockCount,
                                       const std::function<bool(std::int32_t)>& isHead) {
    for (const auto& [record, i] : m_byRecord) {
        if (record < 1)
            Problem("entries naming no record head",
                    Describe(i) + ": names block " + Number(record) + ", which holds no record");
        else if (record >= blockCount)
            Problem("entries naming no record head", Describe(i) + ": names block " +
                                                         Number(record) +
                                                         ", beyond the end of the main file");
        else if (!isHead(record))
            Problem("entries naming no record head", Describe(i) + ": names block " +
                                                         Number(record) +
                                                         ", which is not a record head");
    }
}
