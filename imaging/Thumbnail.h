// The small GIF stored with every picture, and the other operations built on the image
// classes: the contrast step and export to another format. None of them shows anything or
// throws.
#pragma once

#include "platform/File.h"

#include <cstdint>

#include <string>

class PxImage;

namespace ThumbnailSize {
constexpr int limit = 92;
}

// Writes the thumbnail of picture (of image type `type`, 1 to 4) into output, from its
// start: an 8-bit GIF of at most 92 x 92 pixels with a 256-entry colour table, drawn from
// the decoded picture and reduced to 256 colours by a JPEG pass at quality 50. made is
// false when no thumbnail was needed (a GIF below 92 x 92 serves as its own). The 256-
// colour option is on for the length of the call and afterwards as it was. 1 when it ran,
// also when a step failed on the way (output is then incomplete); 0 when picture holds no
// image.
int MakeThumbnail(PxImage& picture, int type, CFile& output, bool& made);

// The thumbnail's size for a picture of width x height: the picture's own below 92 x 92,
// else the longer side 92 and the shorter one scaled down (truncated, at least 1).
void ThumbnailDimensions(std::uint32_t width, std::uint32_t height, std::uint32_t& thumbWidth,
                         std::uint32_t& thumbHeight);

// One contrast step: step > 0 raises contrast, step <= 0 lowers it. 4- and 8-bit images
// change the colour-table entries they use (and get a new palette), 24-bit images and
// uncompressed 32-bit ones their pixels (blue, green and red bytes); other depths stay as
// they are.
void AdjustContrast(PxImage& image, int step);

// Converts image into the format of `type` (1 to 4) and writes it to path; the result of
// the writer, 0 for an unknown type.
int ExportAs(const PxImage& image, int type, const std::string& path);
