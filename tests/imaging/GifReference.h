// GIF decoding and encoding through giflib, the reference of the GIF differential tests,
// and the conversions between its indexed pictures and image objects.
#pragma once

#include <cstdint>
#include <vector>

class PxImage;

// An indexed picture: one index a pixel, top line first, and its colours (0x00RRGGBB).
struct GifIndexed {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> colors;
};

// The first image of file in display order, with the colour map it uses (the local one,
// else the global one); false when giflib cannot read the whole file.
bool GiflibDecodeFirst(const std::vector<std::uint8_t>& file, GifIndexed& picture);
// giflib's GIF89a encoding of picture with a 256-entry global table, not interlaced.
std::vector<std::uint8_t> GiflibEncode(const GifIndexed& picture);

// The picture an 8-bit image object holds, with the 256 colours of its table.
GifIndexed IndicesOf(const PxImage& image);
// Puts picture into image at a depth of 1, 4 or 8 bits (through a BMP).
void MakeImage(const GifIndexed& picture, unsigned bits, PxImage& image);
