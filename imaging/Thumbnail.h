// The small GIF stored with every picture. Nothing here shows anything or throws.
#pragma once

#include "platform/File.h"

#include <cstdint>

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
