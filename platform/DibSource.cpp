#include "platform/DibSource.h"

#include <cstring>
#include <new>

bool CDibSource::Init(const CDibFormat& format, std::span<const std::uint8_t> bits) {
    m_format = &format;
    m_width = format.Width();
    m_height = format.Height();
    m_rowBytes = format.RowBytes();
    m_topDown = format.IsTopDown();
    m_expanded.clear();
    try {
        m_line.assign(static_cast<std::size_t>(m_width), 0);
        if (format.Compression() == BI_RLE8 || format.Compression() == BI_RLE4) {
            m_expanded.assign(static_cast<std::size_t>(format.ImageBytes()), 0);
            ExpandRle(bits);
            m_rows = m_expanded.data();
        } else {
            if (bits.size() < format.ImageBytes())
                return false;
            m_rows = bits.data();
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const DibChannel& r = format.Red();
    const DibChannel& g = format.Green();
    const DibChannel& b = format.Blue();
    bool standard32 =
        format.BitCount() == 32 && r.mask == 0xFF0000 && g.mask == 0xFF00 && b.mask == 0xFF;
    m_direct = format.BitCount() == 24 || standard32;
    m_pixelBytes = format.BitCount() == 24 ? 3 : 4;
    return true;
}

bool CDibSource::InitSurface(const std::uint32_t* pixels, std::int32_t width, std::int32_t height) {
    if (!pixels || width <= 0 || height <= 0)
        return false;
    m_format = nullptr;
    m_rows = reinterpret_cast<const std::uint8_t*>(pixels);
    m_rowBytes = static_cast<std::uint64_t>(width) * 4;
    m_width = width;
    m_height = height;
    m_topDown = true;
    m_direct = true;
    m_pixelBytes = 4;
    return true;
}

const std::uint8_t* CDibSource::Row(std::int32_t y) {
    std::int32_t stored = m_topDown ? y : m_height - 1 - y;
    const std::uint8_t* row = m_rows + static_cast<std::uint64_t>(stored) * m_rowBytes;
    if (m_direct)
        return row;
    DecodeRow(row);
    return reinterpret_cast<const std::uint8_t*>(m_line.data());
}

void CDibSource::DecodeRow(const std::uint8_t* row) {
    const CDibFormat& f = *m_format;
    const auto& colors = f.Colors();
    std::uint32_t* out = m_line.data();
    const std::int32_t width = m_width;
    switch (f.BitCount()) {
    case 1:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[(x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4];
        break;
    case 8:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[row[x]];
        break;
    case 16:
    case 32: {
        const DibChannel& r = f.Red();
        const DibChannel& g = f.Green();
        const DibChannel& b = f.Blue();
        const unsigned step = f.BitCount() / 8;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * step;
            std::uint32_t v = step == 2
                                  ? std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8)
                                  : std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                        (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
            out[x] = (std::uint32_t{r.Extract(v)} << 16) | (std::uint32_t{g.Extract(v)} << 8) |
                     b.Extract(v);
        }
        break;
    }
    default:
        std::memset(out, 0, static_cast<std::size_t>(width) * 4);
    }
}

// Expands BI_RLE8 / BI_RLE4 data into uncompressed bottom-up rows. Pixels outside the
// picture are dropped, pixels the data never sets stay index 0, and the walk ends at the
// end-of-bitmap code, after the top row, or where the data runs out.
void CDibSource::ExpandRle(std::span<const std::uint8_t> data) {
    const bool four = m_format->Compression() == BI_RLE4;
    const std::int64_t width = m_width;
    const std::int64_t height = m_height;
    std::uint8_t* rows = m_expanded.data();
    auto put = [&](std::int64_t x, std::int64_t y, unsigned index) {
        if (x < 0 || x >= width || y >= height)
            return;
        std::uint8_t* row = rows + static_cast<std::uint64_t>(y) * m_rowBytes;
        if (!four) {
            row[x] = static_cast<std::uint8_t>(index);
        } else if (x & 1) {
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | (index & 15));
        } else {
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
        }
    };
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::size_t i = 0;
    const std::size_t n = data.size();
    while (i + 1 < n && y < height) {
        unsigned count = data[i];
        unsigned value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count && x + k < width; ++k)
                put(x + k, y, four ? ((k & 1) ? value & 15 : value >> 4) : value);
            x += count;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (i + 1 >= n)
                break;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else { // a literal run of `value` pixels, padded to a 16-bit boundary
            std::size_t bytes = four ? (value + 1) / 2 : value;
            for (unsigned k = 0; k < value; ++k) {
                std::size_t at = i + (four ? k / 2 : k);
                if (at >= n)
                    break;
                unsigned index = four ? ((k & 1) ? data[at] & 15 : data[at] >> 4) : data[at];
                put(x + k, y, index);
            }
            x += value;
            i += (bytes + 1) & ~std::size_t{1};
        }
    }
}
