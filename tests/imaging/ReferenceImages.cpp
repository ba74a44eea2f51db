#include "ReferenceImages.h"

#include <cstdlib>
#include <stdexcept>

#include <tiffio.h>

namespace {

// Little-endian fields of a byte vector; reading past the end throws.
struct Fields {
    const std::vector<std::uint8_t>& bytes;

    std::uint32_t Byte(std::size_t at) const {
        if (at >= bytes.size())
            throw std::out_of_range("past the end");
        return bytes[at];
    }
    std::uint32_t U16(std::size_t at) const { return Byte(at) | Byte(at + 1) << 8; }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
    std::int32_t S32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
};

std::uint32_t Scale(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    std::uint64_t maximum = mask >> shift;
    std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((v * 255 + maximum / 2) / maximum);
}

// Index grid of an RLE picture, bottom line first; unset pixels stay 0.
std::vector<int> DecodeRle(const Fields& f, std::size_t at, int width, int height, bool four) {
    std::vector<int> grid(std::size_t(width) * height, 0);
    long x = 0, y = 0;
    auto put = [&](std::uint32_t i, std::uint32_t v) { // pixel x + i; RLE4 packs two a byte
        if (x + i < std::uint32_t(width) && y < height)
            grid[std::size_t(y) * width + x + i] = int(four ? (i % 2 ? v & 15 : v >> 4) : v);
    };
    while (at + 1 < f.bytes.size() && y < height) {
        std::uint32_t count = f.Byte(at), code = f.Byte(at + 1);
        at += 2;
        if (count) {
            for (std::uint32_t i = 0; i < count; ++i)
                put(i, code);
            x += count;
        } else if (code == 0) {
            x = 0, ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            x += f.Byte(at), y += f.Byte(at + 1), at += 2;
        } else {
            for (std::uint32_t i = 0; i < code; ++i)
                put(i, f.Byte(at + (four ? i / 2 : i)));
            std::size_t used = four ? (code + 1) / 2 : code;
            at += used + used % 2;
            x += code;
        }
    }
    return grid;
}

} // namespace

bool ReferenceDecodeBmp(const std::vector<std::uint8_t>& file, RgbPicture& picture) {
    try {
        Fields f{file};
        if (f.Byte(0) != 'B' || f.Byte(1) != 'M')
            return false;
        std::uint32_t dataAt = f.U32(10);
        std::uint32_t headerSize = f.U32(14);
        long width, height;
        std::uint32_t bits, compression = 0, used = 0, entrySize = 4;
        if (headerSize == 12) {
            width = f.U16(18), height = f.U16(20), bits = f.U16(24), entrySize = 3;
        } else {
            width = f.S32(18), height = f.S32(22), bits = f.U16(28);
            compression = f.U32(30), used = f.U32(46);
        }
        bool topDown = height < 0;
        height = std::labs(height);
        if (width <= 0 || height <= 0 || width * height > (1L << 26))
            return false;
        std::size_t tableAt = 14 + headerSize;
        std::uint32_t red = 0x7C00, green = 0x3E0, blue = 0x1F;
        if (bits == 32)
            red = 0xFF0000, green = 0xFF00, blue = 0xFF;
        if (compression == 3) {
            red = f.U32(54), green = f.U32(58), blue = f.U32(62);
            if (headerSize == 40)
                tableAt += 12;
        }
        std::vector<std::uint32_t> table;
        if (bits <= 8) {
            std::uint32_t n = used ? used : 1u << bits;
            for (std::uint32_t i = 0; i < n; ++i) {
                std::size_t e = tableAt + i * entrySize;
                table.push_back(f.Byte(e + 2) << 16 | f.Byte(e + 1) << 8 | f.Byte(e));
            }
        }
        picture.width = int(width);
        picture.height = int(height);
        picture.pixels.assign(std::size_t(width) * height, 0);
        auto color = [&](std::uint32_t index) { return index < table.size() ? table[index] : 0u; };
        if (compression == 1 || compression == 2) {
            std::vector<int> grid = DecodeRle(f, dataAt, int(width), int(height), compression == 2);
            for (long y = 0; y < height; ++y)
                for (long x = 0; x < width; ++x)
                    picture.pixels[y * width + x] = color(grid[(height - 1 - y) * width + x]);
            return true;
        }
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return false;
        std::size_t rowBytes = (bits * width + 31) / 32 * 4;
        for (long row = 0; row < height; ++row) {
            long y = topDown ? row : height - 1 - row;
            std::size_t at = dataAt + row * rowBytes;
            for (long x = 0; x < width; ++x) {
                std::uint32_t& out = picture.pixels[y * width + x];
                if (bits <= 8) { // leftmost pixel in the high bits
                    std::uint32_t byte = f.Byte(at + x * bits / 8);
                    out = color(byte >> (8 - bits - x * bits % 8) & ((1u << bits) - 1));
                } else if (bits == 24) {
                    out = f.Byte(at + 3 * x + 2) << 16 | f.Byte(at + 3 * x + 1) << 8 |
                          f.Byte(at + 3 * x);
                } else {
                    std::uint32_t v = bits == 16 ? f.U16(at + 2 * x) : f.U32(at + 4 * x);
                    out = Scale(v, red) << 16 | Scale(v, green) << 8 | Scale(v, blue);
                }
            }
        }
        return true;
    } catch (const std::out_of_range&) {
        return false;
    }
}

bool LibtiffDecode(const std::string& path, RgbPicture& picture, std::uint16_t* photometric) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    if (photometric)
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    std::vector<std::uint32_t> raster(std::size_t{w} * h);
    const int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tif);
    picture = {int(w), int(h), {}};
    for (std::uint32_t p : raster)
        picture.pixels.push_back(TIFFGetR(p) << 16 | TIFFGetG(p) << 8 | TIFFGetB(p));
    return ok != 0;
}
