// The parts of PxImage that meet the drawing device: palette making, drawing and capture.
#include "imaging/PxImage.h"

#include "platform/DibFormat.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"

#include <algorithm>
#include <new>
#include <vector>

int PxImage::CreateImagePalette() {
    m_palette.reset();
    if (m_imageBits == 24)
        return 1;
    if (m_header.size() < kInfoHeaderSize)
        return 0;
    const std::uint32_t used = ReadInfoHeader(m_header.data()).biClrUsed;
    const std::uint64_t copied = used != 0 ? used : m_colorCount;
    const std::uint64_t entries = std::max<std::uint64_t>(used, m_colorCount);
    if (entries == 0 || entries > CPalette::maxEntries)
        return 0;
    std::vector<PALETTEENTRY> palette(static_cast<std::size_t>(entries));
    std::span<const std::uint8_t> table = GetColorTable();
    for (std::size_t i = 0; i < copied && (i + 1) * 4 <= table.size(); ++i)
        palette[i] = {table[i * 4 + 2], table[i * 4 + 1], table[i * 4], 0};
    auto created = std::make_unique<CPalette>();
    if (!created->CreatePalette(palette))
        return 0;
    m_palette = std::move(created);
    return 1;
}

int PxImage::StretchToDC(CDC& dc, const CRect& destination, const CRect& source,
                         std::span<const std::uint8_t> bits, std::span<const std::uint8_t> header,
                         unsigned usage, std::uint32_t rop) {
    const auto x = destination.left;
    const auto y = destination.top;
    const auto w = static_cast<int>(destination.Width());
    const auto h = static_cast<int>(destination.Height());
    const auto sw = static_cast<int>(source.Width());
    const auto sh = static_cast<int>(source.Height());
    if (m_halftone) {
        CPalette halftone;
        if (!halftone.CreateHalftonePalette(dc))
            return 0;
        CPalette* previousPalette = dc.SelectPalette(&halftone, false);
        dc.RealizePalette();
        int previousMode = dc.SetStretchBltMode(HALFTONE);
        int lines =
            dc.StretchDIBits(x, y, w, h, source.left, source.top, sw, sh, bits, header, usage, rop);
        dc.SetStretchBltMode(previousMode);
        dc.SelectPalette(previousPalette, false);
        return lines;
    }
    int previousMode = dc.SetStretchBltMode(COLORONCOLOR);
    int lines =
        dc.StretchDIBits(x, y, w, h, source.left, source.top, sw, sh, bits, header, usage, rop);
    dc.SetStretchBltMode(previousMode);
    return lines;
}

int PxImage::StretchToDC(CDC& dc, const CRect& destination, const CRect& source) {
    return StretchToDC(dc, destination, source, m_pixels, m_header, DIB_RGB_COLORS, SRCCOPY);
}

int PxImage::CreateFromBitmap(CDC& dc, const CBitmap& bitmap) {
    BITMAP info;
    if (!bitmap.GetBitmap(info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return 0;
    CloseReadBuffer();
    const unsigned depth = info.bmBitsPixel <= 8 ? info.bmBitsPixel : 24;
    const std::uint64_t width = static_cast<std::uint64_t>(info.bmWidth);
    const std::uint64_t height = static_cast<std::uint64_t>(info.bmHeight);
    const std::uint64_t bitsWide = depth <= 8 ? width * 8 : width * 24;
    const unsigned colors = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
    if (!AllocatePixels((bitsWide + 31) / 32 * 4 * height) ||
        !AllocateHeader(kInfoHeaderSize + std::uint64_t{colors} * 4)) {
        FreeBlocks();
        return 0;
    }
    m_width = static_cast<std::uint32_t>(width);
    m_height = static_cast<std::uint32_t>(height);
    m_imageBits = depth;
    m_colorCount = static_cast<std::uint16_t>(colors);
    m_rowPitch = PitchForWidth();
    BITMAPINFOHEADER header;
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = info.bmPlanes;
    header.biBitCount = static_cast<std::uint16_t>(depth);
    header.biSizeImage =
        static_cast<std::uint32_t>(PaddedRowBytes(info.bmBitsPixel, width) * height);
    WriteInfoHeader(m_header.data(), header);
    if (dc.GetDIBits(bitmap, 0, static_cast<unsigned>(height), m_pixels, m_header,
                     DIB_RGB_COLORS) == 0) {
        FreeBlocks();
        return 0;
    }
    CreateImagePalette();
    m_rowsPadded = true;
    return 1;
}
