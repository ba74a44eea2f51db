#include "ReferenceImages.h"

#include <cstdlib>
#include <stdexcept>

namespace {

// Little- or big-endian fields of a byte vector; reading past the end throws.
struct Fields {
    const std::vector<std::uint8_t>& bytes;
    bool bigEndian = false;

    std::uint32_t Byte(std::size_t at) const {
        if (at >= bytes.size())
            throw std::out_of_range("past the end");
        return bytes[at];
    }
    std::uint32_t U16(std::size_t at) const {
        return bigEndian ? Byte(at) << 8 | Byte(at + 1) : Byte(at) | Byte(at + 1) << 8;
    }
    std::uint32_t U32(std::size_t at) const {
        return bigEndian ? U16(at) << 16 | U16(at + 2) : U16(at) | U16(at + 2) << 16;
    }
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

bool ReferenceDecodeTiff(const std::vector<std::uint8_t>& file, RgbPicture& picture) {
    try {
        Fields f{file};
        if (f.Byte(0) == 'M' && f.Byte(1) == 'M')
            f.bigEndian = true;
        else if (f.Byte(0) != 'I' || f.Byte(1) != 'I')
            return false;
        std::size_t ifd = f.U32(4);
        std::uint32_t entries = f.U16(ifd);
        auto values = [&](std::uint32_t tag) {
            std::vector<std::uint32_t> out;
            for (std::uint32_t i = 0; i < entries; ++i) {
                std::size_t e = ifd + 2 + 12 * i;
                if (f.U16(e) != tag)
                    continue;
                std::uint32_t type = f.U16(e + 2), count = f.U32(e + 4);
                std::size_t size = type == 3 ? 2 : 4;
                std::size_t at = count * size <= 4 ? e + 8 : f.U32(e + 8);
                for (std::uint32_t k = 0; k < count; ++k)
                    out.push_back(size == 2 ? f.U16(at + 2 * k) : f.U32(at + 4 * k));
            }
            return out;
        };
        auto one = [&](std::uint32_t tag, std::uint32_t fallback) {
            auto v = values(tag);
            return v.empty() ? fallback : v[0];
        };
        const std::uint32_t width = one(256, 0), height = one(257, 0);
        const std::uint32_t samples = one(277, 1), photometric = one(262, 0);
        if (one(258, 8) != 8 || one(259, 1) != 1 || one(284, 1) != 1 || width == 0 || height == 0)
            return false;
        if (!((photometric == 2 && samples == 3) || (photometric == 3 && samples == 1)))
            return false;
        const std::uint32_t rowsPerStrip = one(278, height);
        const std::vector<std::uint32_t> strips = values(273);
        const std::vector<std::uint32_t> map = values(320);
        picture.width = int(width);
        picture.height = int(height);
        picture.pixels.assign(std::size_t(width) * height, 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            std::size_t at =
                strips.at(y / rowsPerStrip) + std::size_t(y % rowsPerStrip) * width * samples;
            for (std::uint32_t x = 0; x < width; ++x) {
                std::uint32_t r, g, b;
                if (photometric == 2) {
                    r = f.Byte(at + 3 * x), g = f.Byte(at + 3 * x + 1), b = f.Byte(at + 3 * x + 2);
                } else {
                    std::uint32_t i = f.Byte(at + x);
                    r = map.at(i) >> 8, g = map.at(256 + i) >> 8, b = map.at(512 + i) >> 8;
                }
                picture.pixels[std::size_t(y) * width + x] = r << 16 | g << 8 | b;
            }
        }
        return true;
    } catch (const std::out_of_range&) {
        return false;
    }
}
