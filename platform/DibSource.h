// CDibSource: the pixel rows of a DIB (or of a 32-bit device surface) for the stretch
// engine, top line first, in one of two forms: 3-byte blue-green-red pixels or 4-byte
// blue-green-red-unused pixels. 24-bit rows and 32-bit rows in the standard channel
// order are handed out straight from the pixel block; every other form is decoded into
// 4-byte pixels row by row, and RLE data is first expanded into uncompressed rows.
//
// Nothing is ever read outside the pixel block: Init refuses a block smaller than the
// uncompressed rows need, and the RLE expansion stops at the end of either buffer.
#pragma once

#include "platform/DibFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CDibSource {
public:
    // False when bits holds fewer bytes than the uncompressed rows of format need, or when
    // memory for the expansion of RLE data cannot be had.
    bool Init(const CDibFormat& format, std::span<const std::uint8_t> bits);
    // A top-down surface of 32-bit pixels (0x00RRGGBB), width × height of them.
    bool InitSurface(const std::uint32_t* pixels, std::int32_t width, std::int32_t height);

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // 3 or 4: the bytes of one pixel in the rows that Row hands out.
    unsigned PixelBytes() const { return m_pixelBytes; }
    // Row y (0 = top, 0 <= y < Height()); valid until the next call.
    const std::uint8_t* Row(std::int32_t y);

private:
    void ExpandRle(std::span<const std::uint8_t> data);
    void DecodeRow(const std::uint8_t* row);

    const CDibFormat* m_format = nullptr;
    const std::uint8_t* m_rows = nullptr; // uncompressed rows in DIB order
    std::uint64_t m_rowBytes = 0;
    bool m_topDown = true;
    bool m_direct = false; // rows go out as they are stored
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    unsigned m_pixelBytes = 4;
    std::vector<std::uint8_t> m_expanded; // RLE data as uncompressed rows
    std::vector<std::uint32_t> m_line;    // one decoded row
};
