#include "support/FormatReader.h"

#include "support/FormatWriter.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

using namespace FormatLayout;

template <class... Parts> void CFormatReader::Problem(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    if (m_problems.size() < 200)
        m_problems.push_back(text.str());
}

void CFormatReader::Read(std::vector<std::uint8_t> mainBytes,
                         std::vector<std::uint8_t> indexBytes) {
    *this = CFormatReader();
    m_main = std::move(mainBytes);
    m_index = std::move(indexBytes);
    ReadMainFile();
    ReadIndexFile();
    if (m_index.size() >= headerSize) {
        WalkList();
        CheckRecordEntries();
    }
}

std::string CFormatReader::Report() const {
    std::string text;
    for (const std::string& problem : m_problems)
        text += problem + "\n";
    return text;
}

const CFormatReader::Record* CFormatReader::FindRecord(std::int32_t block) const {
    auto found = std::lower_bound(m_records.begin(), m_records.end(), block,
                                  [](const Record& r, std::int32_t b) { return r.block < b; });
    return found != m_records.end() && found->block == block ? &*found : nullptr;
}

const std::uint8_t* CFormatReader::Block(std::int32_t block) const {
    return m_main.data() + std::size_t(block) * blockSize;
}

void CFormatReader::CheckZero(const std::uint8_t* p, std::size_t from, std::size_t to,
                              const std::string& where) {
    for (std::size_t i = from; i < to; ++i) {
        if (p[i] != 0)
            return Problem(where, ": byte ", i, " is ", int(p[i]), ", expected 0");
    }
}

std::string CFormatReader::ReadText(const std::uint8_t* field, std::size_t width,
                                    const std::string& where) {
    const std::size_t length = std::size_t(std::find(field, field + width, 0) - field);
    if (length == width)
        Problem(where, ": no NUL inside its ", width, "-byte field");
    CheckZero(field, length, width, where + " after its NUL");
    return std::string(reinterpret_cast<const char*>(field), length);
}

// ---------------------------------------------------------------- main file

void CFormatReader::ReadMainFile() {
    if (m_main.size() % blockSize != 0)
        Problem("main file length ", m_main.size(), " is not a multiple of 2048");
    m_blockCount = std::int32_t(m_main.size() / blockSize);
    if (m_blockCount == 0)
        return Problem("main file has no header block");
    const std::uint8_t* p = Block(0);
    CheckZero(p, 0, 8, "main header");
    if (GetLe32(p + 8) != 1 || std::memcmp(p + 14, mainFormat, sizeof mainFormat) != 0)
        Problem("main header: kind or format string differs");
    CheckZero(p, 12, 14, "main header");
    CheckZero(p, 14 + sizeof mainFormat, 272, "main header");
    CheckZero(p, 276, 280, "main header");
    std::uint8_t plain[12];
    for (int i = 0; i < 12; ++i)
        plain[i] = std::uint8_t(p[280 + i] + std::uint8_t(passwordKey[i]));
    const std::size_t length = std::size_t(std::find(plain, plain + 12, 0) - plain);
    m_password.assign(reinterpret_cast<const char*>(plain), length);
    CheckZero(plain, length, 12, "password (unscrambled)");
    CheckZero(p, 292, blockSize, "main header");

    for (std::int32_t b = 1; b < m_blockCount;) {
        p = Block(b);
        if (GetLe32(p + 8) == 1) {
            b = ReadRecord(b);
        } else if (GetLe32(p + 8) == 0 && GetLe32(p) == -1) {
            m_chains.push_back({b, {}});
            b = ReadChain(b, false, m_chains.back().bytes, "chain at block " + std::to_string(b));
        } else {
            Problem("main block ", b, " belongs to no record or thumbnail chain");
            ++b;
        }
    }
    for (Record& record : m_records) {
        const std::int32_t t = record.thumbnailBlock;
        if (t == 0 || t == record.block + 1)
            continue;
        auto chain = std::find_if(m_chains.begin(), m_chains.end(),
                                  [t](const Chain& c) { return c.first == t; });
        if (chain == m_chains.end())
            Problem("record head ", record.block, ": thumbnail block ", t, " starts no chain");
        else
            record.thumbnail = chain->bytes;
    }
}

std::int32_t CFormatReader::ReadRecord(std::int32_t h) {
    const std::uint8_t* p = Block(h);
    const std::string where = "record head " + std::to_string(h);
    Record record;
    record.block = h;
    record.crc = GetLe16(p + 12);
    record.fileName = ReadText(p + 14, 258, where + " file name");
    record.dateSaved = GetLe32(p + 272);
    for (int slot = 0; slot < 6; ++slot)
        record.keywords[slot] = ReadText(p + 280 + 32 * slot, 32, where + " keyword");
    const std::uint32_t dataSize = GetLeU32(p + 472);
    record.thumbnailBlock = GetLe32(p + 476);
    CheckZero(p, 488, blockSize, where);
    if (GetLe32(p) != -1 || GetLe32(p + 4) != h + 1)
        Problem(where, ": links ", GetLe32(p), " and ", GetLe32(p + 4), ", expected -1 and ",
                h + 1);

    const std::int32_t after = ReadChain(h + 1, true, record.picture, where + " picture chain");
    if (dataSize != 0 && dataSize != record.picture.size())
        Problem(where, ": data size ", dataSize, ", picture chain holds ", record.picture.size());
    if (CFormatWriter::Crc16(record.picture) != record.crc)
        Problem(where, ": CRC ", record.crc, " differs from what the picture bytes give");
    const std::int32_t t = record.thumbnailBlock;
    if (t != 0 && t != h + 1 && (t <= h || t >= m_blockCount))
        Problem(where, ": thumbnail block ", t, " lies outside the blocks after the head");
    if (t == h + 1)
        record.thumbnail = record.picture;
    m_records.push_back(std::move(record));
    return after;
}

std::int32_t CFormatReader::ReadChain(std::int32_t first, bool linked,
                                      std::vector<std::uint8_t>& bytes, const std::string& what) {
    for (std::int32_t b = first;; ++b) {
        if (b >= m_blockCount) {
            Problem(what, ": runs past the end of the file");
            return b;
        }
        const std::uint8_t* p = Block(b);
        const std::string where = what + " block " + std::to_string(b);
        const std::int32_t previous = GetLe32(p), next = GetLe32(p + 4);
        const std::int32_t count = std::clamp(GetLe32(p + 12), 0, std::int32_t(payloadSize));
        if (GetLe32(p + 8) != 0 || count != GetLe32(p + 12))
            Problem(where, ": kind ", GetLe32(p + 8), ", byte count ", GetLe32(p + 12));
        if (previous != (linked ? b - 1 : -1))
            Problem(where, ": previous ", previous);
        CheckZero(p, 16 + std::size_t(count), blockSize, where + " padding");
        bytes.insert(bytes.end(), p + 16, p + 16 + count);
        if (next == -1)
            return b + 1;
        if (count != std::int32_t(payloadSize) || next != b + 1) {
            Problem(where, ": next ", next, " after ", count, " bytes");
            return b + 1;
        }
    }
}

// ---------------------------------------------------------------- index file

void CFormatReader::ReadIndexFile() {
    if (m_index.size() < headerSize)
        return Problem("index file is shorter than its 32792-byte header");
    if ((m_index.size() - headerSize) % entrySize != 0)
        Problem("index file length ", m_index.size(), " is not 32792 + 52 x n");
    const std::uint8_t* p = m_index.data();
    m_modificationCount = GetLe32(p + 4);
    if (GetLe32(p) < 0 || m_modificationCount < 0 || m_modificationCount > 255)
        Problem("index header: generation ", GetLe32(p), ", modification count outside 0..255");
    if (std::memcmp(p + 8, indexFormat, sizeof indexFormat) != 0)
        Problem("index header: format field is not \"PDX.100.00\" with two zero bytes");
    m_skipLength = GetLe32(p + 20);
    if (m_skipLength < 0 || m_skipLength > skipSlots)
        Problem("index header: skip table length ", m_skipLength, " outside 0..8192");
    m_skipLength = std::clamp(m_skipLength, 0, skipSlots);
    for (int k = 0; k < skipSlots; ++k)
        m_skip.push_back(GetLe32(p + 24 + 4 * k));

    const std::int32_t n = std::int32_t((m_index.size() - headerSize) / entrySize);
    for (std::int32_t i = 0; i < n; ++i) {
        p = m_index.data() + headerSize + std::size_t(i) * entrySize;
        const std::string where = "index entry " + std::to_string(i);
        Entry entry{i, GetLe32(p), GetLe32(p + 4), GetLe32(p + 12), {}, GetLe32(p + 48)};
        entry.key = ReadText(p + 16, 32, where + " key");
        if (GetLe32(p + 8) != i || (entry.flags & ~1) != 0)
            Problem(where, ": own number ", GetLe32(p + 8), ", flags ", entry.flags);
        if (entry.key.empty() || std::string_view(" !#@").find(entry.key[0]) == std::string::npos)
            Problem(where, ": key \"", entry.key, "\" has no family character");
        if (entry.previous < -1 || entry.previous >= n || entry.next < -1 || entry.next >= n)
            Problem(where, ": link outside the file");
        if (!FindRecord(entry.record))
            Problem(where, ": record ", entry.record, " is not a record head");
        m_entries.push_back(entry);
    }
}

void CFormatReader::WalkList() {
    const std::int32_t n = std::int32_t(m_entries.size());
    const auto firsts = std::count_if(m_entries.begin(), m_entries.end(),
                                      [](const Entry& e) { return e.previous == -1; });
    if (n > 0 && firsts != 1)
        Problem("index: ", firsts, " entries have no previous entry, expected 1");
    std::vector<std::int32_t> positions(std::size_t(n), -1);
    auto first = std::find_if(m_entries.begin(), m_entries.end(),
                              [](const Entry& e) { return e.previous == -1; });
    for (std::int32_t i = first == m_entries.end() ? -1 : first->number; i >= 0 && i < n;) {
        if (positions[i] != -1) {
            Problem("index entry ", i, ": the list runs in a loop");
            break;
        }
        positions[i] = std::int32_t(m_list.size());
        m_list.push_back(m_entries[i]);
        const std::int32_t next = m_entries[i].next;
        if (next >= 0 && next < n && m_entries[next].previous != i)
            Problem("index entry ", next, ": previous ", m_entries[next].previous, ", expected ",
                    i);
        i = next;
    }
    if (m_list.size() != m_entries.size())
        Problem("index: ", m_entries.size() - m_list.size(), " entries are not on the list");
    for (std::size_t k = 1; k < m_list.size(); ++k) {
        if (CFormatWriter::CompareFolded(m_list[k - 1].key, m_list[k].key) > 0)
            Problem("index entry ", m_list[k].number, " (\"", m_list[k].key, "\") is out of order");
    }
    CheckSkipTable(positions);
}

void CFormatReader::CheckSkipTable(const std::vector<std::int32_t>& positions) {
    if (std::any_of(m_skip.begin() + m_skipLength, m_skip.end(), [](auto s) { return s != -1; }))
        Problem("skip table: a slot beyond the length ", m_skipLength, " is not -1");
    if (m_list.empty() || m_skipLength < 2) {
        if (m_skipLength != (m_list.empty() ? 0 : 2))
            Problem("skip table length ", m_skipLength, " for ", m_list.size(), " entries");
        return;
    }
    std::vector<std::int32_t> used; // list positions of the used slots
    for (int k = 0; k < m_skipLength; ++k) {
        const std::int32_t slot = m_skip[k];
        if (slot < 0 || std::size_t(slot) >= positions.size() || positions[slot] == -1)
            return Problem("skip slot ", k, ": ", slot, " is not an entry of the list");
        used.push_back(positions[slot]);
    }
    if (!std::is_sorted(used.begin(), used.end()) || used.front() != 0 ||
        used.back() != std::int32_t(m_list.size()) - 1)
        Problem("skip table: slots do not run in list order from the first entry to the last");
    // Right after a rebuild (count 0) every slot is exact: position 32 x k, then the last.
    std::vector<std::int32_t> exact;
    for (std::size_t position = 0; position < m_list.size(); position += skipStride)
        exact.push_back(std::int32_t(position));
    exact.push_back(std::int32_t(m_list.size()) - 1);
    if (m_modificationCount == 0 && used != exact)
        Problem("skip table: modification count 0 but the slots are not every 32nd entry");
}

void CFormatReader::CheckRecordEntries() {
    std::map<std::int32_t, std::vector<std::string>> live;
    std::map<std::int32_t, int> deleted;
    for (const Entry& entry : m_entries) {
        if (entry.IsDeleted())
            ++deleted[entry.record];
        else
            live[entry.record].push_back(entry.key);
    }
    for (const Record& record : m_records) {
        std::vector<std::string>& keys = live[record.block];
        if (keys.empty() && deleted[record.block] >= 3)
            continue; // a deleted record
        std::vector<std::string> expected = {CFormatWriter::CrcKey(record.crc),
                                             CFormatWriter::DateKey(record.dateSaved),
                                             CFormatWriter::NameKey(record.fileName)};
        for (const std::string& keyword : record.keywords) {
            if (!keyword.empty())
                expected.push_back(CFormatWriter::KeywordKey(keyword));
        }
        std::sort(keys.begin(), keys.end());
        std::sort(expected.begin(), expected.end());
        if (keys != expected)
            Problem("record head ", record.block, ": live index keys differ from its head's keys");
    }
}
