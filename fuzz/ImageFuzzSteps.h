// What the picture fuzz targets do with an image that loaded, as the program does with a
// record's picture: draw it stretched into a small device bitmap (the picture view) in the
// image's own stretch mode, then make its thumbnail (the add flow). Also the replay main
// of the targets built with PICDEX_FUZZ_REPLAY.
#pragma once

#include "imaging/PxImage.h"
#include "imaging/Thumbnail.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// Pictures drawn: up to the size of a large fax page. Drawing and the thumbnail's
// halftone reduction visit every source pixel, so a tiny file that declares a huge picture
// (it loads, as zeros) would spend seconds there instead of in the readers.
constexpr std::uint64_t maxDrawnPixels = std::uint64_t{1} << 21;

// Draws image into a 61 x 47 bitmap (odd sizes, so that the stretch both shrinks and
// grows) and makes its thumbnail of kind `type`.
inline void DrawAndThumbnail(PxImage& image, int type) {
    if (!image.HasImage() || std::uint64_t{image.GetWidth()} * image.GetHeight() > maxDrawnPixels)
        return;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    if (bitmap.CreateCompatibleBitmap(dc, 61, 47)) {
        CBitmap* previous = dc.SelectObject(&bitmap);
        const CRect whole(0, 0, static_cast<std::int32_t>(image.GetWidth()),
                          static_cast<std::int32_t>(image.GetHeight()));
        image.StretchToDC(dc, {0, 0, 61, 47}, whole);
        dc.SelectObject(previous);
    }
    CMemFile thumbnail(8192);
    bool made = false;
    MakeThumbnail(image, type, thumbnail, made);
}

#ifdef PICDEX_FUZZ_REPLAY
#include "FuzzReplay.h"
#endif
