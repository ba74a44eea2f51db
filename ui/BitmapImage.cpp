#include "ui/BitmapImage.h"

#include "platform/GdiBitmap.h"

#include <cstdint>

QImage BitmapToImage(const CBitmap& bitmap) {
    if (!bitmap.IsCreated())
        return {};
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        const std::uint32_t* source = bitmap.Row(y);
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        // The device leaves the top byte 0; the image format wants it 0xFF.
        for (std::int32_t x = 0; x < bitmap.Width(); ++x)
            target[x] = source[x] | 0xFF000000u;
    }
    return image;
}
