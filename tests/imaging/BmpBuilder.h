// Builds BMP files byte by byte for the tests, with every header field open to damage, and
// the two steps most image tests share: loading bytes and drawing an image onto a bitmap.
#pragma once

#include "imaging/PxImage.h"
#include "platform/ByteOrder.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <vector>

struct BmpBuilder {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0, height = 0;
    std::uint16_t planes = 1, bits = 8;
    std::uint32_t compression = 0, sizeImage = 0, colorsUsed = 0;
    std::vector<std::uint32_t> colors = {}; // 0x00RRGGBB; written as 4 (3 for a core header) bytes
    std::vector<std::uint32_t> masks = {};  // after a 40-byte header, or inside a longer one
    std::vector<std::uint8_t> pixels = {};
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
            PutLe16(h + 4, std::uint16_t(width)), PutLe16(h + 6, std::uint16_t(height));
            PutLe16(h + 8, planes), PutLe16(h + 10, bits);
        } else {
            PutLe32(h + 4, width), PutLe32(h + 8, height), PutLe16(h + 12, planes);
            PutLe16(h + 14, bits), PutLe32(h + 16, compression), PutLe32(h + 20, sizeImage);
            PutLe32(h + 32, colorsUsed);
            for (std::size_t i = 0; i < masks.size(); ++i)
                PutLe32(h + 40 + 4 * i, masks[i]);
        }
        std::uint8_t* t = h + headerSize + masksAfter;
        for (std::uint32_t c : colors)
            PutLe16(t, std::uint16_t(c)), t[2] = std::uint8_t(c >> 16), t += entry;
        std::copy(pixels.begin(), pixels.end(), f.begin() + static_cast<std::ptrdiff_t>(offset));
        return f;
    }
};

// What image.SaveToFile writes.
inline std::vector<std::uint8_t> SaveToBytes(PxImage& image) {
    CMemFile file;
    EXPECT_EQ(image.SaveToFile(file), 1);
    image.ReleaseFile();
    return {file.Data().begin(), file.Data().end()};
}

inline int LoadBytes(PxImage& image, const std::vector<std::uint8_t>& bytes) {
    CMemFile file;
    FillMemFile(file, bytes);
    int result = image.LoadFromFile(file);
    image.ReleaseFile();
    return result;
}

// Draws the whole image onto a w × h bitmap and returns its pixels, top line first; with
// mode 0 through StretchToDC (the image's own choice of mode), else straight through the
// device in that mode.
inline std::vector<std::uint32_t> Render(PxImage& image, int w, int h, int mode = 0) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(dc, w, h));
    dc.SelectObject(&bitmap);
    const int iw = static_cast<int>(image.GetWidth()), ih = static_cast<int>(image.GetHeight());
    dc.SetStretchBltMode(mode);
    EXPECT_EQ(mode ? dc.StretchDIBits(0, 0, w, h, 0, 0, iw, ih, image.GetBits(), image.GetHeader(),
                                      DIB_RGB_COLORS, SRCCOPY)
                   : image.StretchToDC(dc, {0, 0, w, h}, {0, 0, iw, ih}),
              ih);
    dc.SelectObject(nullptr);
    return {bitmap.Pixels(), bitmap.Pixels() + std::size_t(w) * h};
}

// Drawn at 1:1.
inline std::vector<std::uint32_t> Render(PxImage& image) {
    return Render(image, static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()));
}
