// The 52-byte entry of the index file and the keys it carries.
//
// Keys start with their family's character (" " date saved, "!" file name, "#" CRC,
// "@" keyword) and hold at most 31 bytes. Keys compare byte by byte as unsigned values,
// after folding ASCII letters to lower case when asked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CRecordHead;

namespace IndexFormat {
constexpr int headerSize = 32792;
constexpr int entrySize = 52;
constexpr int skipSlots = 8192;
constexpr int skipStride = 32;
constexpr int keyField = 32;
constexpr const char* formatString = "PDX.100.00";
constexpr char dateFamily = ' ', nameFamily = '!', crcFamily = '#', keywordFamily = '@';
constexpr int flagDeleted = 1;
// The file offset of entry i.
constexpr std::int64_t EntryFileOffset(std::int32_t i) {
    return headerSize + std::int64_t{entrySize} * i;
}
} // namespace IndexFormat

// Order family codes of the index cursor.
namespace OrderFamily {
enum : int { dateSaved = 0, fileName = 1, keyword = 2 };
}

struct CIndexEntry {
    std::int32_t previous = -1;
    std::int32_t next = -1;
    std::int32_t number = -1;
    std::int32_t flags = -1; // -1: no entry (the cursor's initial state)
    char key[IndexFormat::keyField] = {};
    std::int32_t record = -1;

    // The key up to its NUL (at most 32 bytes of a damaged entry).
    std::string_view Key() const;
    // Stores the first 31 bytes of key, NUL-filled.
    void SetKey(std::string_view text);
    bool IsDeleted() const { return (flags & IndexFormat::flagDeleted) != 0; }
    // Only bit 0 has a meaning; any other bit set is damage.
    bool HasKnownFlags() const { return (flags & ~IndexFormat::flagDeleted) == 0; }

    void Decode(const std::uint8_t* bytes);
    void Encode(std::uint8_t* bytes) const;
};

std::string MakeDateKey(std::int32_t dateSaved);
std::string MakeNameKey(std::string_view fileName); // "!" and the first 30 bytes
std::string MakeCrcKey(std::uint16_t crc);
std::string MakeKeywordKey(std::string_view keyword); // "@" and the first 30 bytes

// A record's keys in the order its entries are inserted: CRC, date saved, file name, then
// each non-empty keyword in slot order.
std::vector<std::string> RecordKeys(const CRecordHead& head);

// <0, 0, >0 as a compares to b; with fold, ASCII letters compare as lower case.
int CompareKeys(std::string_view a, std::string_view b, bool fold);
