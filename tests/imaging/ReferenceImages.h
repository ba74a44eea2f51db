// Independent readings of picture files for the differential tests: a plain per-pixel
// BMP decoder and a reader of uncompressed baseline TIFF strips. Both are written from
// the file formats, share no code with the program and favour plainness over speed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels as 0x00RRGGBB, top line first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// False when the file is not a BMP this reader understands.
bool ReferenceDecodeBmp(const std::vector<std::uint8_t>& file, RgbPicture& picture);
// 8-bit RGB (3 samples) or 8-bit palette TIFF, uncompressed, one plane; false otherwise.
bool ReferenceDecodeTiff(const std::vector<std::uint8_t>& file, RgbPicture& picture);
