#include "imaging/Thumbnail.h"

#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxGif.h"
#include "imaging/PxJpeg.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"

#include <algorithm>
#include <new>

namespace {

constexpr int thumbnailQuality = 50;
constexpr std::size_t jpegStreamStep = 1024;

// Switches the 256-colour option on for one scope and puts the previous value back.
class CForce256Scope {
public:
    CForce256Scope() : m_previous(Force256Colors()) { SetForce256Colors(true); }
    ~CForce256Scope() { SetForce256Colors(m_previous); }
    CForce256Scope(const CForce256Scope&) = delete;
    CForce256Scope& operator=(const CForce256Scope&) = delete;

private:
    bool m_previous;
};

// Draws the whole picture onto bitmap through a memory context with the picture's palette
// in the background; StretchToDC then picks the stretch mode by the halftone flag.
void DrawReduced(PxImage& picture, CBitmap& bitmap, CDC& memory) {
    CBitmap* previousBitmap = memory.SelectObject(&bitmap);
    CPalette* previousPalette = nullptr;
    if (CPalette* palette = picture.GetPalette()) {
        previousPalette = memory.SelectPalette(palette, true);
        memory.RealizePalette();
    }
    const int previousMode = memory.SetStretchBltMode(COLORONCOLOR);
    picture.StretchToDC(memory, {0, 0, bitmap.Width(), bitmap.Height()},
                        {0, 0, static_cast<std::int32_t>(picture.GetWidth()),
                         static_cast<std::int32_t>(picture.GetHeight())});
    memory.SetStretchBltMode(previousMode);
    if (picture.GetPalette())
        memory.SelectPalette(previousPalette, true);
    memory.SelectObject(previousBitmap);
}

// The bitmap's picture through a JPEG at quality 50 and back: with the 256-colour option
// on, the decoder quantises it to an 8-bit picture, which is all a GIF can hold.
int WriteThumbnailGif(CDC& memory, const CBitmap& bitmap, CFile& output) {
    PxJpeg capture;
    capture.SetQuality(thumbnailQuality);
    CMemFile stream(jpegStreamStep);
    if (!capture.CreateFromBitmap(memory, bitmap) || !capture.SaveToFile(stream))
        return 0;
    capture.ReleaseFile();
    stream.SeekToBegin();
    PxJpeg quantised;
    if (!quantised.LoadFromFile(stream))
        return 0;
    quantised.ReleaseFile();
    PxGif gif;
    if (!gif.CopyFrom(quantised))
        return 0;
    output.SeekToBegin();
    const int written = gif.SaveToFile(output);
    gif.ReleaseFile();
    return written;
}

} // namespace

void ThumbnailDimensions(std::uint32_t width, std::uint32_t height, std::uint32_t& thumbWidth,
                         std::uint32_t& thumbHeight) {
    constexpr std::uint64_t limit = ThumbnailSize::limit;
    if (width < limit && height < limit) {
        thumbWidth = width;
        thumbHeight = height;
    } else if (width < height) {
        thumbHeight = limit;
        thumbWidth = static_cast<std::uint32_t>(width * limit / height);
    } else {
        thumbWidth = limit;
        thumbHeight = static_cast<std::uint32_t>(height * limit / width);
    }
    // A picture hundreds of times longer than wide still gets a line of thumbnail.
    thumbWidth = std::max<std::uint32_t>(thumbWidth, 1);
    thumbHeight = std::max<std::uint32_t>(thumbHeight, 1);
}

int MakeThumbnail(PxImage& picture, int type, CFile& output, bool& made) {
    made = false;
    if (!picture.HasImage())
        return 0;
    CForce256Scope force256;
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    if (type == imageGif && width < ThumbnailSize::limit && height < ThumbnailSize::limit)
        return 1;
    std::uint32_t thumbWidth = 0, thumbHeight = 0;
    ThumbnailDimensions(width, height, thumbWidth, thumbHeight);
    made = true;
    try {
        CDC screen;
        screen.CreateScreenDC();
        CDC memory;
        memory.CreateCompatibleDC(&screen);
        CBitmap bitmap;
        if (!bitmap.CreateCompatibleBitmap(screen, static_cast<std::int32_t>(thumbWidth),
                                           static_cast<std::int32_t>(thumbHeight)))
            return 1;
        DrawReduced(picture, bitmap, memory);
        WriteThumbnailGif(memory, bitmap, output);
    } catch (const CFileException&) {
        // Only the output's rewind can throw here; the thumbnail is then incomplete.
    } catch (const std::bad_alloc&) {
    }
    return 1;
}
