// CRecordHead: one 2048-byte block of the main file viewed as a record head (or as the
// file header, which shares its layout). Accessors read and write the little-endian fields
// in place; string fields are read up to their NUL or the end of the field, whichever
// comes first, so a damaged block never reads past its field.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

namespace MainFormat {
constexpr int blockSize = 2048;
constexpr int payloadSize = 2032; // data bytes in one data block
// Block numbers are signed 32-bit: the file holds at most 2^31 - 1 blocks (4 TiB less one
// block), so that every block count fits them too.
constexpr std::int32_t maxBlocks = INT32_MAX;
constexpr std::int64_t maxFileSize = std::int64_t{maxBlocks} * blockSize;
// Pictures stay below 2^31 bytes, whatever room the file has.
constexpr std::int64_t maxPictureSize = 1LL << 31;
constexpr int keywordCount = 6;
constexpr int keywordField = 32; // at most 31 bytes and the NUL
constexpr int fileNameField = 258;
constexpr int passwordOffset = 280;
constexpr int passwordField = 13;
constexpr const char* formatString = "Picdex Main File Ver.1.00.5";

// Field offsets.
constexpr int offPrevious = 0, offNext = 4, offKind = 8, offByteCount = 12, offPayload = 16;
constexpr int offCrc = 12, offFileName = 14, offDateSaved = 272, offDateCreated = 276,
              offKeywords = 280, offDataSize = 472, offThumbnail = 476, offWidth = 480,
              offHeight = 484;
} // namespace MainFormat

class CRecordHead {
public:
    CRecordHead() { m_bytes.fill(0); }

    std::uint8_t* Bytes() { return m_bytes.data(); }
    const std::uint8_t* Bytes() const { return m_bytes.data(); }

    std::int32_t Previous() const;
    void SetPrevious(std::int32_t block);
    std::int32_t Next() const; // first block of the picture chain
    void SetNext(std::int32_t block);
    std::int32_t Kind() const;
    void SetKind(std::int32_t kind);

    std::uint16_t Crc() const;
    void SetCrc(std::uint16_t crc);
    std::string FileName() const;
    // Stores name, cut at a character boundary to fit its field.
    void SetFileName(std::string_view name);
    std::int32_t DateSaved() const;
    void SetDateSaved(std::int32_t seconds);
    std::int32_t DateImageCreated() const;
    void SetDateImageCreated(std::int32_t seconds);

    // Keyword slots 0 to 5; an empty keyword has 0 as its first byte.
    std::string Keyword(int slot) const;
    // Stores keyword, cut at a character boundary to at most 31 bytes; the rest of the
    // field is zeroed.
    void SetKeyword(int slot, std::string_view keyword);
    bool HasKeyword(int slot) const;

    std::uint32_t DataSize() const;
    void SetDataSize(std::uint32_t size);
    std::int32_t ThumbnailBlock() const;
    void SetThumbnailBlock(std::int32_t block);
    std::uint32_t Width() const;
    void SetWidth(std::uint32_t width);
    std::uint32_t Height() const;
    void SetHeight(std::uint32_t height);

    bool operator==(const CRecordHead& other) const { return m_bytes == other.m_bytes; }

private:
    std::array<std::uint8_t, MainFormat::blockSize> m_bytes;
};
