// The stretch engine of the drawing device: copies a rectangle of a CDibSource onto a
// rectangle of a 32-bit top-down surface, scaling, mirroring and clipping to the surface.
//
// HALFTONE averages areas: each destination pixel is the mean of the source area it
// covers, partly covered source pixels counted by the share they cover (exact integer
// weights, rounded once at the end). Every other stretch mode takes the source pixel
// under the centre of the destination pixel. Only the destination pixels inside the
// surface are computed, so a much enlarged picture costs what its visible part costs.
#pragma once

#include "platform/DibSource.h"

#include <cstdint>

struct DibStretchJob {
    // Destination in device pixels: from (dx0, dy0) to (dx1, dy1), exclusive; a corner
    // left of or above its partner mirrors that axis.
    std::int64_t dx0 = 0, dy0 = 0, dx1 = 0, dy1 = 0;
    // Source in pixels of the source, top line 0, same convention.
    std::int64_t sx0 = 0, sy0 = 0, sx1 = 0, sy1 = 0;
    int stretchMode = 0;
    std::uint32_t rop = 0;
};

// Draws the job onto surface (width × height pixels, 0x00RRGGBB). False, with nothing
// drawn, for an empty rectangle, a source rectangle that leaves the source, a
// destination side beyond 2^31 pixels, a raster operation the device lacks, or when
// memory for the work tables cannot be had.
bool DibStretch(CDibSource& source, const DibStretchJob& job, std::uint32_t* surface,
                std::int32_t width, std::int32_t height);
