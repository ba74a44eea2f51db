#include "support/FormatWriter.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace {
using namespace FormatLayout;

// Head field offsets.
constexpr int offCrc = 12, offName = 14, offDateSaved = 272, offDateCreated = 276,
              offKeywords = 280, offDataSize = 472, offThumbnail = 476, offWidth = 480,
              offHeight = 484;
constexpr std::size_t nameLimit = 257, keywordLimit = 31, keyLimit = 31;

std::string Cut(std::string_view text, std::size_t limit) {
    return std::string(text.substr(0, std::min(text.size(), limit)));
}

// Stores text and zero-fills the rest of a field of width bytes.
void PutText(std::uint8_t* field, std::size_t width, std::string_view text) {
    std::fill_n(field, width, 0);
    std::copy_n(text.begin(), std::min(text.size(), width - 1), field);
}

std::string GetText(const std::uint8_t* field, std::size_t width) {
    const auto* text = reinterpret_cast<const char*>(field);
    return std::string(text, std::find(text, text + width, '\0'));
}
} // namespace

CFormatWriter::CFormatWriter(std::int32_t creationTime)
    : m_main(blockSize, 0), m_cachedHeader(headerSize, 0) {
    PutLe32(m_main.data() + 8, std::int32_t(1));
    std::memcpy(m_main.data() + offName, mainFormat, sizeof mainFormat);
    PutLe32(m_main.data() + offDateSaved, creationTime);
    SetPassword("");
    std::memcpy(m_cachedHeader.data() + 8, indexFormat, sizeof indexFormat);
    for (int k = 0; k < skipSlots; ++k)
        SetSlot(k, -1);
    m_index = m_cachedHeader;
}

// ---------------------------------------------------------------- main file

bool CFormatWriter::IsHead(std::int32_t block) const {
    return block > 0 && block < BlockCount() &&
           GetLe32(m_main.data() + std::size_t(block) * blockSize + 8) == 1;
}

std::int32_t CFormatWriter::AddRecord(const CFormatRecord& record) {
    const std::int32_t h = BlockCount();
    m_main.resize(m_main.size() + blockSize, 0);
    std::uint8_t* head = Block(h);
    const std::string name = Cut(record.name, nameLimit);
    const std::uint16_t crc = Crc16(record.picture);
    PutLe32(head, std::int32_t(-1));
    PutLe32(head + 4, h + 1);
    PutLe32(head + 8, std::int32_t(1));
    PutLe16(head + offCrc, crc);
    PutText(head + offName, nameLimit + 1, name);
    PutLe32(head + offDateSaved, record.dateSaved);
    PutLe32(head + offDateCreated, record.dateImageCreated);
    std::vector<std::string> keys = {CrcKey(crc), DateKey(record.dateSaved), NameKey(name)};
    for (int slot = 0; slot < 6; ++slot) {
        const std::string keyword = Cut(record.keywords[slot], keywordLimit);
        PutText(head + offKeywords + 32 * slot, 32, keyword);
        if (!keyword.empty())
            keys.push_back(KeywordKey(keyword));
    }
    PutLe32(head + offDataSize, std::uint32_t(record.picture.size()));
    PutLe32(head + offWidth, record.width);
    PutLe32(head + offHeight, record.height);
    AppendChain(record.picture, true);
    for (const std::string& key : keys) {
        if (!InsertKey(key, h))
            return -1;
    }
    return h;
}

void CFormatWriter::AppendChain(std::span<const std::uint8_t> bytes, bool linked) {
    // A full block is always followed by another, which may hold 0 bytes.
    for (std::size_t offset = 0, piece = payloadSize; piece == payloadSize; offset += piece) {
        piece = std::min(payloadSize, bytes.size() - offset);
        const std::int32_t b = BlockCount();
        m_main.resize(m_main.size() + blockSize, 0);
        PutLe32(Block(b), linked ? b - 1 : -1);
        PutLe32(Block(b) + 4, piece == payloadSize ? b + 1 : -1);
        PutLe32(Block(b) + 12, std::uint32_t(piece));
        std::copy_n(bytes.begin() + std::ptrdiff_t(offset), piece, Block(b) + 16);
    }
}

int CFormatWriter::StoreThumbnail(std::int32_t headBlock, std::span<const std::uint8_t> bytes) {
    if (!IsHead(headBlock))
        return 0;
    PutLe32(Block(headBlock) + offThumbnail, BlockCount());
    AppendChain(bytes, false);
    return 1;
}

int CFormatWriter::UsePictureAsThumbnail(std::int32_t headBlock) {
    if (!IsHead(headBlock))
        return 0;
    PutLe32(Block(headBlock) + offThumbnail, GetLe32(Block(headBlock) + 4));
    return 1;
}

std::array<std::string, 6> CFormatWriter::HeadKeywords(std::int32_t headBlock) {
    std::array<std::string, 6> keywords;
    for (int slot = 0; slot < 6; ++slot)
        keywords[slot] = GetText(Block(headBlock) + offKeywords + 32 * slot, 32);
    return keywords;
}

int CFormatWriter::ChangeKeywords(std::int32_t headBlock,
                                  const std::array<std::string, 6>& keywords) {
    if (!IsHead(headBlock))
        return 0;
    const std::array<std::string, 6> before = HeadKeywords(headBlock);
    std::array<std::string, 6> after;
    for (int slot = 0; slot < 6; ++slot)
        after[slot] = Cut(keywords[slot], keywordLimit);
    auto contains = [](const std::array<std::string, 6>& list, const std::string& word) {
        return std::find(list.begin(), list.end(), word) != list.end();
    };
    for (const std::string& word : before) {
        if (!word.empty() && !contains(after, word))
            FlagEntries(KeywordKey(word), headBlock);
    }
    for (const std::string& word : after) {
        if (!word.empty() && !contains(before, word) && !InsertKey(KeywordKey(word), headBlock))
            return 0;
    }
    for (int slot = 0; slot < 6; ++slot)
        PutText(Block(headBlock) + offKeywords + 32 * slot, 32, after[slot]);
    return 1;
}

int CFormatWriter::DeleteRecord(std::int32_t headBlock) {
    if (!IsHead(headBlock))
        return 0;
    for (const std::string& word : HeadKeywords(headBlock)) {
        if (!word.empty())
            FlagEntries(KeywordKey(word), headBlock);
    }
    const std::uint8_t* head = Block(headBlock);
    FlagEntries(CrcKey(GetLe16(head + offCrc)), headBlock);
    FlagEntries(DateKey(GetLe32(head + offDateSaved)), headBlock);
    FlagEntries(NameKey(GetText(head + offName, nameLimit + 1)), headBlock);
    return 1;
}

void CFormatWriter::SetPassword(std::string_view text) {
    std::uint8_t field[13] = {};
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 12), field);
    for (int i = 0; i < 12; ++i)
        field[i] = std::uint8_t(field[i] - std::uint8_t(passwordKey[i]));
    std::memcpy(m_main.data() + offKeywords, field, sizeof field);
}

// ---------------------------------------------------------------- index file

std::int32_t CFormatWriter::EntryCount() const {
    return std::int32_t((m_index.size() - headerSize) / entrySize);
}

CFormatWriter::Entry CFormatWriter::ReadEntry(std::int32_t i) const {
    const std::uint8_t* p = m_index.data() + headerSize + std::size_t(i) * entrySize;
    return Entry{GetLe32(p), GetLe32(p + 4), GetLe32(p + 12), GetText(p + 16, 32), GetLe32(p + 48)};
}

void CFormatWriter::WriteEntry(const Entry& entry, std::int32_t i) {
    const std::size_t offset = headerSize + std::size_t(i) * entrySize;
    m_index.resize(std::max(m_index.size(), offset + entrySize), 0);
    std::uint8_t* p = m_index.data() + offset;
    PutLe32(p, entry.previous);
    PutLe32(p + 4, entry.next);
    PutLe32(p + 8, i);
    PutLe32(p + 12, entry.flags);
    PutText(p + 16, 32, entry.key);
    PutLe32(p + 48, entry.record);
}

std::int32_t CFormatWriter::Slot(int k) const {
    return GetLe32(m_cachedHeader.data() + 24 + 4 * k);
}
void CFormatWriter::SetSlot(int k, std::int32_t entry) {
    PutLe32(m_cachedHeader.data() + 24 + 4 * k, entry);
}
std::int32_t CFormatWriter::SkipLength() const {
    return std::clamp(GetLe32(m_cachedHeader.data() + 20), 0, skipSlots);
}

void CFormatWriter::RefreshHeader() {
    if (GetLe32(m_index.data()) != GetLe32(m_cachedHeader.data()))
        std::copy_n(m_index.begin(), headerSize, m_cachedHeader.begin());
}

void CFormatWriter::ReopenIndex() {
    PutLe32(m_cachedHeader.data(), std::int32_t(-1));
}

// The count written is the cached header's; the file's own count may have moved past it.
void CFormatWriter::WriteHeader(bool resetCount) {
    std::uint8_t* p = m_cachedHeader.data();
    PutLe32(p, GetLe32(p) + 1);
    PutLe32(p + 4, resetCount ? 0 : GetLe32(p + 4) + 1);
    std::copy_n(m_cachedHeader.begin(), headerSize, m_index.begin());
}

int CFormatWriter::StartSlot(std::string_view key, bool strict) const {
    int low = 0, high = SkipLength() - 1, found = 0;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = CompareFolded(ReadEntry(Slot(middle)).key, key);
        if (order < 0 || (!strict && order == 0))
            found = middle, low = middle + 1;
        else
            high = middle - 1;
    }
    return found;
}

int CFormatWriter::InsertKey(std::string_view key, std::int32_t record) {
    RefreshHeader();
    Entry entry{-1, -1, 0, Cut(key, keyLimit), record};
    const std::int32_t n = EntryCount();
    // The first entry greater than key, from the last slot not greater; -2: append.
    std::int32_t p = SkipLength() == 0 ? -2 : Slot(StartSlot(entry.key, false));
    for (std::int32_t steps = 0; p >= 0; ++steps) {
        const Entry at = ReadEntry(p);
        if (CompareFolded(at.key, entry.key) > 0)
            break;
        if (steps > n)
            return 0;
        p = at.next == -1 ? -2 : at.next;
    }
    if (p == -2)
        Append(entry, n);
    else
        InsertBefore(entry, p, n);
    if (!RebuildSkipTable(p == -2))
        return 0;
    m_lastInserted = n;
    return 1;
}

void CFormatWriter::Append(Entry entry, std::int32_t n) {
    const std::int32_t length = SkipLength();
    const std::int32_t last = length > 0 ? Slot(length - 1) : -1;
    if (last == -1) {
        WriteEntry(entry, n);
        SetSlot(0, n);
        SetSlot(1, n);
        PutLe32(m_cachedHeader.data() + 20, std::int32_t(2));
    } else {
        Entry tail = ReadEntry(last);
        entry.previous = last;
        WriteEntry(entry, n);
        tail.next = n;
        WriteEntry(tail, last);
        SetSlot(length - 1, n);
    }
    WriteHeader(false);
}

void CFormatWriter::InsertBefore(Entry entry, std::int32_t p, std::int32_t n) {
    Entry following = ReadEntry(p);
    const std::int32_t q = following.previous;
    entry.previous = q;
    entry.next = p;
    WriteEntry(entry, n);
    following.previous = n;
    WriteEntry(following, p);
    if (q == -1) {
        SetSlot(0, n);
        WriteHeader(false);
        return;
    }
    Entry preceding = ReadEntry(q);
    preceding.next = n;
    WriteEntry(preceding, q);
    // Only the file's count moves; the cached header keeps its older count.
    PutLe32(m_index.data() + 4, GetLe32(m_index.data() + 4) + 1);
}

bool CFormatWriter::RebuildSkipTable(bool force) {
    if (!force && GetLe32(m_index.data() + 4) < 256)
        return true;
    RefreshHeader();
    if (Slot(0) == -1)
        return true;
    m_rebuildsByCount += force ? 0 : 1;
    std::vector<std::int32_t> slots;
    std::int32_t i = Slot(0), last = -1;
    for (std::int32_t position = 0; i != -1; ++position) {
        if (position > EntryCount())
            return false;
        if (position % skipStride == 0)
            slots.push_back(i);
        last = i;
        i = ReadEntry(i).next;
    }
    slots.push_back(last);
    if (slots.size() > std::size_t(skipSlots))
        return false;
    for (int k = 0; k < skipSlots; ++k)
        SetSlot(k, k < int(slots.size()) ? slots[k] : -1);
    PutLe32(m_cachedHeader.data() + 20, std::int32_t(slots.size()));
    WriteHeader(true);
    return true;
}

void CFormatWriter::FlagEntries(std::string_view key, std::int32_t record) {
    RefreshHeader();
    if (SkipLength() == 0)
        return;
    const std::string wanted = Cut(key, keyLimit);
    std::int32_t i = Slot(StartSlot(wanted, true));
    for (std::int32_t steps = 0; i != -1 && steps <= EntryCount(); ++steps) {
        Entry entry = ReadEntry(i);
        const int order = CompareFolded(entry.key, wanted);
        if (order > 0)
            break;
        if (order == 0 && entry.record == record) {
            entry.flags |= 1;
            WriteEntry(entry, i);
        }
        i = entry.next;
    }
}

// ---------------------------------------------------------------- keys, checksum, files

std::uint16_t CFormatWriter::Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc ^= std::uint16_t(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

std::string CFormatWriter::DateKey(std::int32_t dateSaved) {
    return " " + std::to_string(dateSaved);
}
std::string CFormatWriter::NameKey(std::string_view fileName) {
    return "!" + Cut(fileName, 30);
}
std::string CFormatWriter::CrcKey(std::uint16_t crc) {
    return "#" + std::to_string(unsigned(crc));
}
std::string CFormatWriter::KeywordKey(std::string_view keyword) {
    return "@" + Cut(keyword, 30);
}

int CFormatWriter::CompareFolded(std::string_view a, std::string_view b) {
    auto fold = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : unsigned(byte);
    };
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return fold(a[i]) < fold(b[i]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
