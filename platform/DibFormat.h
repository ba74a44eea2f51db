// The device-independent bitmap (DIB) header as it lies in memory and in BMP files, and
// CDibFormat, the checked description of a DIB that the drawing device works from.
//
// A DIB is an info header (40 bytes or one of the longer versions, or the 12-byte core
// header), then for BI_BITFIELDS three 32-bit colour masks (inside the longer headers they
// are header fields at the same offsets 40, 44, 48), then the colour table, and separately
// a block of pixel rows, each padded to 4 bytes. Rows run bottom-up for a positive height
// and top-down for a negative one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class CPalette;

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kCoreHeaderSize = 12;

// Limits on what any DIB may describe: pixel data of at most 1 GiB and sides of at most
// 2^24 pixels, so that every size and weight computed from them fits 64 bits.
constexpr std::uint64_t kMaxDibPixelBytes = std::uint64_t{1} << 30;
constexpr std::int64_t kMaxDibSide = std::int64_t{1} << 24;

struct BITMAPINFOHEADER {
    std::uint32_t biSize = kInfoHeaderSize;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = BI_RGB;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// Reads and writes the 40 bytes of an info header at p (little-endian, no alignment needed).
BITMAPINFOHEADER ReadInfoHeader(const std::uint8_t* p);
void WriteInfoHeader(std::uint8_t* p, const BITMAPINFOHEADER& header);

// Bytes of one row padded to 4 bytes, in 64 bits: ((bits × width + 31) / 32) × 4.
constexpr std::uint64_t DibRowBytes(std::uint64_t bits, std::uint64_t width) {
    return (bits * width + 31) / 32 * 4;
}

// A colour mask of a 16- or 32-bit DIB and how to turn the masked value into 0..255.
struct DibChannel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint32_t maximum = 1; // mask >> shift

    std::uint8_t Extract(std::uint32_t pixel) const {
        std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + maximum / 2) / maximum);
    }
};

class CDibFormat {
public:
    // Checks and reads the header bytes. usage DIB_PAL_COLORS takes the colour table as
    // 16-bit indices into palette (entries it lacks, or a missing palette, give black).
    // False for a header that is too short, a size, depth, plane count or compression that
    // no DIB has, sides beyond kMaxDibSide, pixel data beyond kMaxDibPixelBytes, zero or
    // overlapping colour masks, or a compressed DIB stored top-down. Colour-table entries
    // past the end of the header bytes read as black.
    bool Parse(std::span<const std::uint8_t> header, unsigned usage, const CPalette* palette);

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; } // always positive
    bool IsTopDown() const { return m_topDown; }
    unsigned BitCount() const { return m_bitCount; }
    std::uint32_t Compression() const { return m_compression; }
    std::uint64_t RowBytes() const { return m_rowBytes; }
    // Bytes an uncompressed pixel block must hold: RowBytes() × Height().
    std::uint64_t ImageBytes() const { return m_rowBytes * static_cast<std::uint64_t>(m_height); }
    // Colours of the table as 0x00RRGGBB (byte order blue, green, red, 0 in memory);
    // 256 entries, black past the table's end.
    const std::array<std::uint32_t, 256>& Colors() const { return m_colors; }
    const DibChannel& Red() const { return m_red; }
    const DibChannel& Green() const { return m_green; }
    const DibChannel& Blue() const { return m_blue; }

private:
    bool ReadMasks(std::span<const std::uint8_t> header);
    void ReadColorTable(std::span<const std::uint8_t> header, std::size_t offset,
                        std::size_t entrySize, unsigned usage, const CPalette* palette);

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    bool m_topDown = false;
    unsigned m_bitCount = 0;
    std::uint32_t m_compression = BI_RGB;
    std::uint32_t m_colorsUsed = 0;
    std::uint64_t m_rowBytes = 0;
    std::array<std::uint32_t, 256> m_colors{};
    DibChannel m_red, m_green, m_blue;
};
