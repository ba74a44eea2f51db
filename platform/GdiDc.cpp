#include "platform/GdiDc.h"

#include "platform/DibFormat.h"
#include "platform/DibSource.h"
#include "platform/DibStretch.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiPalette.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {
CDC::ScreenCaps g_screenCaps;
} // namespace

void CDC::SetScreenCaps(const ScreenCaps& caps) {
    g_screenCaps = caps;
}

CDC::ScreenCaps CDC::GetScreenCaps() {
    return g_screenCaps;
}

void CDC::CreateScreenDC() {
    m_screen = true;
    m_bitmap = nullptr;
}

bool CDC::CreateCompatibleDC(CDC*) {
    m_screen = false;
    m_bitmap = nullptr;
    return true;
}

int CDC::GetDeviceCaps(int index) const {
    const int bits = m_screen ? g_screenCaps.bitsPerPixel : 32;
    const bool palette = bits <= 8;
    switch (index) {
    case HORZRES:
        return m_screen ? g_screenCaps.width : m_bitmap ? m_bitmap->Width() : 1;
    case VERTRES:
        return m_screen ? g_screenCaps.height : m_bitmap ? m_bitmap->Height() : 1;
    case BITSPIXEL:
        return bits;
    case PLANES:
        return m_screen ? g_screenCaps.planes : 1;
    case NUMCOLORS:
        return palette ? 1 << bits : -1;
    case SIZEPALETTE:
        return palette ? 1 << bits : 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB |
               (palette ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    CBitmap* previous = m_bitmap;
    if (!m_screen)
        m_bitmap = bitmap;
    return previous;
}

CPalette* CDC::SelectPalette(CPalette* palette, bool) {
    CPalette* previous = m_palette;
    m_palette = palette;
    return previous;
}

int CDC::SetStretchBltMode(int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    int previous = m_stretchMode;
    m_stretchMode = mode;
    return previous;
}

int CDC::StretchDIBits(int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth,
                       int srcHeight, std::span<const std::uint8_t> bits,
                       std::span<const std::uint8_t> info, unsigned usage, std::uint32_t rop) {
    CDibFormat format;
    CDibSource source;
    if (!format.Parse(info, usage, m_palette) || !source.Init(format, bits))
        return 0;
    DibStretchJob job;
    job.dx0 = m_mapping.LogicalToDeviceX(x);
    job.dy0 = m_mapping.LogicalToDeviceY(y);
    job.dx1 = m_mapping.LogicalToDeviceX(std::int64_t{x} + width);
    job.dy1 = m_mapping.LogicalToDeviceY(std::int64_t{y} + height);
    job.sx0 = xSrc;
    job.sx1 = std::int64_t{xSrc} + srcWidth;
    if (format.IsTopDown()) {
        job.sy0 = ySrc;
        job.sy1 = std::int64_t{ySrc} + srcHeight;
    } else {
        // Counted from the bottom line: the rectangle's top edge is ySrc + srcHeight up.
        job.sy0 = std::int64_t{format.Height()} - ySrc - srcHeight;
        job.sy1 = std::int64_t{format.Height()} - ySrc;
    }
    job.stretchMode = m_stretchMode;
    job.rop = rop;
    std::uint32_t* surface = m_bitmap && m_bitmap->IsCreated() ? m_bitmap->Pixels() : nullptr;
    std::int32_t surfaceWidth = surface ? m_bitmap->Width() : 0;
    std::int32_t surfaceHeight = surface ? m_bitmap->Height() : 0;
    if (!DibStretch(source, job, surface, surfaceWidth, surfaceHeight))
        return 0;
    return srcHeight < 0 ? -srcHeight : srcHeight;
}

bool CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, std::uint32_t rop) {
    if (!source || !source->m_bitmap || !source->m_bitmap->IsCreated())
        return false;
    const CBitmap& from = *source->m_bitmap;
    // Drawing a bitmap onto itself reads from a copy, so that no pixel is read after it
    // was overwritten.
    std::vector<std::uint32_t> copy;
    const std::uint32_t* pixels = from.Pixels();
    if (&from == m_bitmap) {
        try {
            copy.assign(pixels, pixels + std::size_t(from.Width()) * std::size_t(from.Height()));
        } catch (const std::bad_alloc&) {
            return false;
        }
        pixels = copy.data();
    }
    CDibSource dib;
    if (!dib.InitSurface(pixels, from.Width(), from.Height()))
        return false;
    const CGdiMapping& sm = source->m_mapping;
    DibStretchJob job;
    job.dx0 = m_mapping.LogicalToDeviceX(x);
    job.dy0 = m_mapping.LogicalToDeviceY(y);
    job.dx1 = m_mapping.LogicalToDeviceX(std::int64_t{x} + width);
    job.dy1 = m_mapping.LogicalToDeviceY(std::int64_t{y} + height);
    job.sx0 = sm.LogicalToDeviceX(xSrc);
    job.sy0 = sm.LogicalToDeviceY(ySrc);
    job.sx1 = sm.LogicalToDeviceX(std::int64_t{xSrc} + srcWidth);
    job.sy1 = sm.LogicalToDeviceY(std::int64_t{ySrc} + srcHeight);
    job.stretchMode = m_stretchMode;
    job.rop = rop;
    std::uint32_t* surface = m_bitmap && m_bitmap->IsCreated() ? m_bitmap->Pixels() : nullptr;
    return DibStretch(dib, job, surface, surface ? m_bitmap->Width() : 0,
                      surface ? m_bitmap->Height() : 0);
}

bool CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                 std::uint32_t rop) {
    return StretchBlt(x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

int CDC::GetDIBits(const CBitmap& bitmap, unsigned startScan, unsigned scanLines,
                   std::span<std::uint8_t> bits, std::span<std::uint8_t> info, unsigned) {
    if (!bitmap.IsCreated() || info.size() < kInfoHeaderSize)
        return 0;
    BITMAPINFOHEADER header = ReadInfoHeader(info.data());
    if (header.biSize < kInfoHeaderSize)
        return 0;
    if (bits.empty()) {
        header.biWidth = bitmap.Width();
        header.biHeight = bitmap.Height();
        header.biPlanes = 1;
        if (header.biBitCount == 0)
            header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage =
            static_cast<std::uint32_t>(DibRowBytes(header.biBitCount, bitmap.Width()) *
                                       static_cast<std::uint64_t>(bitmap.Height()));
        WriteInfoHeader(info.data(), header);
        return bitmap.Height();
    }
    const std::int64_t height =
        header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
    const unsigned depth = header.biBitCount;
    if ((depth != 24 && depth != 32) || header.biCompression != BI_RGB ||
        header.biWidth != bitmap.Width() || height != bitmap.Height() || startScan >= height)
        return 0;
    const std::uint64_t lines = std::min<std::uint64_t>(scanLines, height - startScan);
    const std::uint64_t rowBytes = DibRowBytes(depth, bitmap.Width());
    if (bits.size() < lines * rowBytes)
        return 0;
    const unsigned step = depth / 8;
    for (std::uint64_t i = 0; i < lines; ++i) {
        std::uint64_t line = startScan + i;
        auto surfaceRow = static_cast<std::int32_t>(header.biHeight < 0 ? line : height - 1 - line);
        const std::uint32_t* in = bitmap.Row(surfaceRow);
        std::uint8_t* out = bits.data() + i * rowBytes;
        std::memset(out, 0, rowBytes);
        for (std::int32_t x = 0; x < bitmap.Width(); ++x, out += step) {
            out[0] = static_cast<std::uint8_t>(in[x]);
            out[1] = static_cast<std::uint8_t>(in[x] >> 8);
            out[2] = static_cast<std::uint8_t>(in[x] >> 16);
        }
    }
    return static_cast<int>(lines);
}

void CDC::FillSolidRect(const CRect& rect, COLORREF color) {
    if (!m_bitmap || !m_bitmap->IsCreated())
        return;
    std::int64_t x0 = m_mapping.LogicalToDeviceX(rect.left);
    std::int64_t x1 = m_mapping.LogicalToDeviceX(rect.right);
    std::int64_t y0 = m_mapping.LogicalToDeviceY(rect.top);
    std::int64_t y1 = m_mapping.LogicalToDeviceY(rect.bottom);
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    x0 = std::max<std::int64_t>(x0, 0);
    y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, m_bitmap->Width());
    y1 = std::min<std::int64_t>(y1, m_bitmap->Height());
    const std::uint32_t pixel = (std::uint32_t{GetRValue(color)} << 16) |
                                (std::uint32_t{GetGValue(color)} << 8) | GetBValue(color);
    for (std::int64_t y = y0; y < y1; ++y) {
        std::uint32_t* row = m_bitmap->Row(static_cast<std::int32_t>(y));
        std::fill(row + x0, row + std::max(x0, x1), pixel);
    }
}
