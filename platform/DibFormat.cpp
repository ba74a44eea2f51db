#include "platform/DibFormat.h"

#include "platform/ByteOrder.h"
#include "platform/GdiPalette.h"
#include "platform/GdiTypes.h"

#include <bit>

BITMAPINFOHEADER ReadInfoHeader(const std::uint8_t* p) {
    BITMAPINFOHEADER h;
    h.biSize = GetLeU32(p);
    h.biWidth = GetLe32(p + 4);
    h.biHeight = GetLe32(p + 8);
    h.biPlanes = GetLe16(p + 12);
    h.biBitCount = GetLe16(p + 14);
    h.biCompression = GetLeU32(p + 16);
    h.biSizeImage = GetLeU32(p + 20);
    h.biXPelsPerMeter = GetLe32(p + 24);
    h.biYPelsPerMeter = GetLe32(p + 28);
    h.biClrUsed = GetLeU32(p + 32);
    h.biClrImportant = GetLeU32(p + 36);
    return h;
}

void WriteInfoHeader(std::uint8_t* p, const BITMAPINFOHEADER& h) {
    PutLe32(p, h.biSize);
    PutLe32(p + 4, h.biWidth);
    PutLe32(p + 8, h.biHeight);
    PutLe16(p + 12, h.biPlanes);
    PutLe16(p + 14, h.biBitCount);
    PutLe32(p + 16, h.biCompression);
    PutLe32(p + 20, h.biSizeImage);
    PutLe32(p + 24, h.biXPelsPerMeter);
    PutLe32(p + 28, h.biYPelsPerMeter);
    PutLe32(p + 32, h.biClrUsed);
    PutLe32(p + 36, h.biClrImportant);
}

namespace {

// The info-header sizes that exist: version 3, the two bit-field extensions, the OS/2
// 2.x header, versions 4 and 5.
bool IsKnownHeaderSize(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool MakeChannel(std::uint32_t mask, unsigned bitCount, DibChannel& channel) {
    if (mask == 0 || (bitCount == 16 && mask > 0xFFFF))
        return false;
    unsigned shift = static_cast<unsigned>(std::countr_zero(mask));
    std::uint32_t value = mask >> shift;
    if ((value & (value + 1)) != 0) // not one run of set bits
        return false;
    channel = {mask, shift, value};
    return true;
}

} // namespace

bool CDibFormat::Parse(std::span<const std::uint8_t> header, unsigned usage,
                       const CPalette* palette) {
    if (header.size() < 4)
        return false;
    std::uint32_t size = GetLeU32(header.data());
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned planes = 0;
    m_colorsUsed = 0;
    m_compression = BI_RGB;
    if (size == kCoreHeaderSize) {
        if (header.size() < kCoreHeaderSize)
            return false;
        width = GetLe16(header.data() + 4);
        height = GetLe16(header.data() + 6);
        planes = GetLe16(header.data() + 8);
        m_bitCount = GetLe16(header.data() + 10);
    } else {
        if (!IsKnownHeaderSize(size) || header.size() < size)
            return false;
        BITMAPINFOHEADER info = ReadInfoHeader(header.data());
        width = info.biWidth;
        height = info.biHeight;
        planes = info.biPlanes;
        m_bitCount = info.biBitCount;
        m_compression = info.biCompression;
        m_colorsUsed = info.biClrUsed;
    }
    m_topDown = height < 0;
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0 || width > kMaxDibSide || height > kMaxDibSide || planes != 1)
        return false;
    m_width = static_cast<std::int32_t>(width);
    m_height = static_cast<std::int32_t>(height);

    switch (m_bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    switch (m_compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
        if (m_bitCount != 8 || m_topDown)
            return false;
        break;
    case BI_RLE4:
        if (m_bitCount != 4 || m_topDown)
            return false;
        break;
    case BI_BITFIELDS:
        // The OS/2 2.x header uses compression 3 for its own Huffman coding.
        if ((m_bitCount != 16 && m_bitCount != 32) || size == 64)
            return false;
        break;
    default:
        return false;
    }
    m_rowBytes = DibRowBytes(m_bitCount, static_cast<std::uint64_t>(m_width));
    if (m_rowBytes * static_cast<std::uint64_t>(m_height) > kMaxDibPixelBytes)
        return false;

    if (m_bitCount == 16 || m_bitCount == 32) {
        if (!ReadMasks(header))
            return false;
    }
    m_colors.fill(0);
    if (m_bitCount <= 8) {
        if (size == kCoreHeaderSize)
            ReadColorTable(header, size, 3, usage, palette);
        else
            ReadColorTable(header, size, 4, usage, palette);
    }
    return true;
}

bool CDibFormat::ReadMasks(std::span<const std::uint8_t> header) {
    std::uint32_t red, green, blue;
    if (m_compression == BI_BITFIELDS) {
        // Inside the longer headers the masks are header fields at the same offsets.
        if (header.size() < kInfoHeaderSize + 12)
            return false;
        red = GetLeU32(header.data() + 40);
        green = GetLeU32(header.data() + 44);
        blue = GetLeU32(header.data() + 48);
    } else if (m_bitCount == 16) {
        red = 0x7C00, green = 0x03E0, blue = 0x001F;
    } else {
        red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    }
    if ((red & green) || (red & blue) || (green & blue))
        return false;
    return MakeChannel(red, m_bitCount, m_red) && MakeChannel(green, m_bitCount, m_green) &&
           MakeChannel(blue, m_bitCount, m_blue);
}

void CDibFormat::ReadColorTable(std::span<const std::uint8_t> header, std::size_t offset,
                                std::size_t entrySize, unsigned usage, const CPalette* palette) {
    std::size_t count = std::size_t{1} << m_bitCount;
    if (m_colorsUsed != 0 && m_colorsUsed < count)
        count = m_colorsUsed;
    if (usage == DIB_PAL_COLORS)
        entrySize = 2;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t at = offset + i * entrySize;
        if (at + entrySize > header.size())
            break;
        const std::uint8_t* p = header.data() + at;
        if (usage == DIB_PAL_COLORS) {
            std::size_t index = GetLe16(p);
            if (palette && index < palette->GetEntryCount()) {
                const PALETTEENTRY& e = palette->Entries()[index];
                m_colors[i] =
                    (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
            }
        } else {
            m_colors[i] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        }
    }
}
