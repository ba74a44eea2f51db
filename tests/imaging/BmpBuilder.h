// Builds BMP files byte by byte for the tests, with every header field open to damage.
#pragma once

#include "platform/ByteOrder.h"

#include <cstdint>
#include <vector>

struct BmpBuilder {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bits = 8;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> colors; // 0x00RRGGBB; written as 4 (3 for a core header) bytes
    std::vector<std::uint32_t> masks;  // after a 40-byte header, or inside a longer one
    std::vector<std::uint8_t> pixels;
    std::int64_t offsetAdjust = 0; // added to the pixel-data offset written

    std::vector<std::uint8_t> Build() const {
        const bool core = headerSize == 12;
        const std::size_t entry = core ? 3 : 4;
        const std::size_t masksAfter = headerSize == 40 ? masks.size() * 4 : 0;
        const std::size_t offset = 14 + headerSize + masksAfter + colors.size() * entry;
        std::vector<std::uint8_t> f(offset + pixels.size(), 0);
        f[0] = 'B', f[1] = 'M';
        PutLe32(f.data() + 2, static_cast<std::uint32_t>(f.size()));
        PutLe32(f.data() + 10, static_cast<std::uint32_t>(std::int64_t(offset) + offsetAdjust));
        std::uint8_t* h = f.data() + 14;
        PutLe32(h, headerSize);
        if (core) {
            PutLe16(h + 4, static_cast<std::uint16_t>(width));
            PutLe16(h + 6, static_cast<std::uint16_t>(height));
            PutLe16(h + 8, planes);
            PutLe16(h + 10, bits);
        } else {
            PutLe32(h + 4, width);
            PutLe32(h + 8, height);
            PutLe16(h + 12, planes);
            PutLe16(h + 14, bits);
            PutLe32(h + 16, compression);
            PutLe32(h + 20, sizeImage);
            PutLe32(h + 32, colorsUsed);
            for (std::size_t i = 0; i < masks.size(); ++i)
                PutLe32(h + 40 + 4 * i, masks[i]);
        }
        std::uint8_t* t = h + headerSize + masksAfter;
        for (std::uint32_t c : colors) {
            t[0] = static_cast<std::uint8_t>(c), t[1] = static_cast<std::uint8_t>(c >> 8);
            t[2] = static_cast<std::uint8_t>(c >> 16);
            t += entry;
        }
        std::copy(pixels.begin(), pixels.end(), f.begin() + static_cast<std::ptrdiff_t>(offset));
        return f;
    }
};
