#include "imaging/PxTiffRows.h"

#include "platform/DibFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// No strip or tile buffer is larger than the largest pixel block of any picture.
constexpr std::uint64_t kMaxChunkBytes = kMaxDibPixelBytes;
// A tile may overhang the picture (tiles are whole), but by no more than this on each side:
// a tile far larger than the picture would only make a huge buffer.
constexpr std::uint64_t kTileOverhang = 256;

std::uint8_t Nearest8(std::uint16_t sample) {
    return static_cast<std::uint8_t>((sample + 128u) / 257u);
}

std::uint16_t Sample16(const std::uint8_t* at) {
    std::uint16_t value; // libtiff has put the samples in the machine's byte order
    std::memcpy(&value, at, sizeof value);
    return value;
}

// libtiff's conversion takes finite coefficients with a non-zero green share and
// reference values well inside the 32-bit range.
bool UsableYCbCrTags(const float* luma, const float* reference) {
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(luma[i]))
            return false;
    if (luma[1] == 0.0f)
        return false;
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(reference[i]) || std::fabs(reference[i]) > 1e9f)
            return false;
    return true;
}

} // namespace

PxTiffRows::PxTiffRows(TIFF* tif, const PxTiffLayout& layout, std::span<std::uint8_t> pixels,
                       std::uint64_t stride)
    : m_tif(tif), m_layout(layout), m_pixels(pixels), m_stride(stride),
      m_chunkPixelBits(layout.bitsPerSample *
                       (layout.separatePlanes ? 1 : layout.samplesPerPixel)) {}

std::uint8_t* PxTiffRows::Row(std::uint32_t fileRow) const {
    const std::uint32_t line = m_layout.firstRowAtTop ? m_layout.height - 1 - fileRow : fileRow;
    return m_pixels.data() + line * m_stride;
}

int PxTiffRows::InitYCbCr() {
    std::uint16_t h = 0, v = 0;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_YCBCRSUBSAMPLING, &h, &v);
    if ((h != 1 && h != 2 && h != 4) || (v != 1 && v != 2 && v != 4))
        return 0;
    m_subsampleH = h;
    m_subsampleV = v;
    float* luma = nullptr;
    float* reference = nullptr;
    if (!TIFFGetFieldDefaulted(m_tif, TIFFTAG_YCBCRCOEFFICIENTS, &luma) ||
        !TIFFGetFieldDefaulted(m_tif, TIFFTAG_REFERENCEBLACKWHITE, &reference) || !luma ||
        !reference || !UsableYCbCrTags(luma, reference))
        return 0;
    // The conversion state and its tables in one block, laid out as libtiff expects.
    const std::size_t head =
        (sizeof(TIFFYCbCrToRGB) + sizeof(long) - 1) / sizeof(long) * sizeof(long);
    m_ycbcrState.assign(head + 4 * 256 * sizeof(TIFFRGBValue) + 2 * 256 * sizeof(int) +
                            3 * 256 * sizeof(std::int32_t),
                        0);
    return TIFFYCbCrToRGBInit(reinterpret_cast<TIFFYCbCrToRGB*>(m_ycbcrState.data()), luma,
                              reference) < 0
               ? 0
               : 1;
}

int PxTiffRows::ReadAll() {
    const PxTiffLayout& l = m_layout;
    if (l.width == 0 || l.height == 0 || m_chunkPixelBits == 0 ||
        m_stride * l.height > m_pixels.size())
        return 0;
    try {
        if (l.kind == PxTiffLayout::ycbcr && !InitYCbCr())
            return 0;
        const unsigned planes = l.separatePlanes ? 3 : 1;
        if (TIFFIsTiled(m_tif)) {
            std::uint32_t tileWidth = 0, tileLength = 0;
            TIFFGetField(m_tif, TIFFTAG_TILEWIDTH, &tileWidth);
            TIFFGetField(m_tif, TIFFTAG_TILELENGTH, &tileLength);
            const tmsize_t size = TIFFTileSize(m_tif);
            // A 1-bit tile must start on a byte of the row.
            if (tileWidth == 0 || tileLength == 0 || size <= 0 ||
                static_cast<std::uint64_t>(size) > kMaxChunkBytes ||
                tileWidth > l.width + kTileOverhang || tileLength > l.height + kTileOverhang ||
                (l.kind == PxTiffLayout::bits1 && tileWidth % 8 != 0))
                return 0;
            m_chunk.resize(static_cast<std::size_t>(size));
            for (unsigned plane = 0; plane < planes; ++plane)
                for (std::uint64_t y = 0; y < l.height; y += tileLength)
                    for (std::uint64_t x = 0; x < l.width; x += tileWidth) {
                        const tmsize_t got = TIFFReadTile(
                            m_tif, m_chunk.data(), static_cast<std::uint32_t>(x),
                            static_cast<std::uint32_t>(y), 0, static_cast<std::uint16_t>(plane));
                        if (got > 0)
                            PlaceChunk(m_chunk.data(), std::min<std::uint64_t>(got, size),
                                       static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                       tileWidth, tileLength, plane);
                    }
        } else {
            std::uint32_t rowsPerStrip = 0;
            TIFFGetFieldDefaulted(m_tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
            rowsPerStrip = std::min(rowsPerStrip, l.height);
            const tmsize_t size = TIFFStripSize(m_tif);
            if (rowsPerStrip == 0 || size <= 0 || static_cast<std::uint64_t>(size) > kMaxChunkBytes)
                return 0;
            m_chunk.resize(static_cast<std::size_t>(size));
            for (unsigned plane = 0; plane < planes; ++plane)
                for (std::uint64_t y = 0; y < l.height; y += rowsPerStrip) {
                    const std::uint32_t strip = TIFFComputeStrip(
                        m_tif, static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane));
                    const tmsize_t got = TIFFReadEncodedStrip(m_tif, strip, m_chunk.data(), size);
                    if (got > 0)
                        PlaceChunk(m_chunk.data(), std::min<std::uint64_t>(got, size), 0,
                                   static_cast<std::uint32_t>(y), l.width, rowsPerStrip, plane);
                }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void PxTiffRows::PlaceChunk(const std::uint8_t* data, std::uint64_t bytes, std::uint32_t x0,
                            std::uint32_t y0, std::uint32_t chunkWidth, std::uint32_t chunkRows,
                            unsigned plane) {
    if (m_layout.kind == PxTiffLayout::ycbcr)
        return PlaceYCbCr(data, bytes, x0, y0, chunkWidth, chunkRows);
    const std::uint64_t rowBytes = (std::uint64_t{chunkWidth} * m_chunkPixelBits + 7) / 8;
    const std::uint64_t rows =
        std::min<std::uint64_t>({chunkRows, m_layout.height - std::uint64_t{y0}, bytes / rowBytes});
    const std::uint32_t count = std::min(chunkWidth, m_layout.width - x0);
    for (std::uint64_t r = 0; r < rows; ++r)
        PlaceRow(data + r * rowBytes, Row(static_cast<std::uint32_t>(y0 + r)), x0, count, plane);
}

void PxTiffRows::PlaceRow(const std::uint8_t* source, std::uint8_t* row, std::uint32_t x0,
                          std::uint32_t count, unsigned plane) const {
    const unsigned bits = m_layout.bitsPerSample;
    switch (m_layout.kind) {
    case PxTiffLayout::bits1:
        std::memcpy(row + x0 / 8, source, (count + 7) / 8);
        break;
    case PxTiffLayout::index:
        if (bits == 8) {
            std::memcpy(row + x0, source, count);
        } else {
            const unsigned mask = (1u << bits) - 1;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint64_t bit = std::uint64_t{i} * bits;
                row[x0 + i] =
                    static_cast<std::uint8_t>(source[bit / 8] >> (8 - bits - bit % 8) & mask);
            }
        }
        break;
    case PxTiffLayout::grey16:
        for (std::uint32_t i = 0; i < count; ++i)
            row[x0 + i] = static_cast<std::uint8_t>(Sample16(source + 2 * std::size_t{i}) >> 8);
        break;
    case PxTiffLayout::rgb: {
        std::uint8_t* out = row + 3 * std::size_t{x0};
        if (m_layout.separatePlanes) {
            // One plane holds one of red, green, blue; its bytes land two, one or none
            // places into each blue-green-red pixel.
            const unsigned at = 2 - plane;
            for (std::uint32_t i = 0; i < count; ++i)
                out[3 * std::size_t{i} + at] =
                    bits == 8 ? source[i] : Nearest8(Sample16(source + 2 * std::size_t{i}));
        } else if (bits == 8) {
            const unsigned step = m_layout.samplesPerPixel;
            for (std::uint32_t i = 0; i < count; ++i, source += step, out += 3)
                out[0] = source[2], out[1] = source[1], out[2] = source[0];
        } else {
            const unsigned step = 2 * m_layout.samplesPerPixel;
            for (std::uint32_t i = 0; i < count; ++i, source += step, out += 3) {
                out[0] = Nearest8(Sample16(source + 4));
                out[1] = Nearest8(Sample16(source + 2));
                out[2] = Nearest8(Sample16(source));
            }
        }
        break;
    }
    case PxTiffLayout::ycbcr:
        break;
    }
}

// Subsampled YCbCr data comes in blocks of h × v luma samples (row by row) followed by one
// Cb and one Cr sample; a row of blocks covers v lines, and blocks at the right and bottom
// edges are whole even where the picture ends inside them.
void PxTiffRows::PlaceYCbCr(const std::uint8_t* data, std::uint64_t bytes, std::uint32_t x0,
                            std::uint32_t y0, std::uint32_t chunkWidth, std::uint32_t chunkRows) {
    const unsigned h = m_subsampleH, v = m_subsampleV;
    const unsigned blockBytes = h * v + 2;
    const std::uint64_t blocksPerRow = (std::uint64_t{chunkWidth} + h - 1) / h;
    const std::uint64_t blockRowBytes = blocksPerRow * blockBytes;
    const std::uint64_t blockRows =
        std::min((std::uint64_t{chunkRows} + v - 1) / v, bytes / blockRowBytes);
    auto* state = reinterpret_cast<TIFFYCbCrToRGB*>(m_ycbcrState.data());
    for (std::uint64_t by = 0; by < blockRows; ++by) {
        const std::uint8_t* block = data + by * blockRowBytes;
        for (std::uint64_t bx = 0; bx < blocksPerRow; ++bx, block += blockBytes) {
            const std::int32_t cb = block[h * v], cr = block[h * v + 1];
            for (unsigned dy = 0; dy < v; ++dy) {
                const std::uint64_t inChunk = by * v + dy, y = y0 + inChunk;
                if (inChunk >= chunkRows || y >= m_layout.height)
                    break;
                std::uint8_t* row = Row(static_cast<std::uint32_t>(y));
                for (unsigned dx = 0; dx < h; ++dx) {
                    const std::uint64_t across = bx * h + dx, x = x0 + across;
                    if (across >= chunkWidth || x >= m_layout.width)
                        break;
                    std::uint32_t r = 0, g = 0, b = 0;
                    TIFFYCbCrtoRGB(state, block[dy * h + dx], cb, cr, &r, &g, &b);
                    std::uint8_t* out = row + 3 * x;
                    out[0] = static_cast<std::uint8_t>(b);
                    out[1] = static_cast<std::uint8_t>(g);
                    out[2] = static_cast<std::uint8_t>(r);
                }
            }
        }
    }
}
