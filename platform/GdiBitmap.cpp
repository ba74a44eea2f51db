#include "platform/GdiBitmap.h"

#include "platform/DibFormat.h"

#include <new>

bool CBitmap::CreateCompatibleBitmap(CDC&, std::int32_t width, std::int32_t height) {
    DeleteObject();
    if (width < 1 || height < 1 || width > kMaxDibSide || height > kMaxDibSide ||
        std::int64_t{width} * height > maxPixels)
        return false;
    try {
        m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

void CBitmap::DeleteObject() {
    m_pixels = {};
    m_width = 0;
    m_height = 0;
}

bool CBitmap::GetBitmap(BITMAP& bitmap) const {
    if (!IsCreated())
        return false;
    bitmap = {};
    bitmap.bmWidth = m_width;
    bitmap.bmHeight = m_height;
    bitmap.bmWidthBytes = m_width * 4;
    return true;
}

COLORREF CBitmap::GetPixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0xFFFFFFFF;
    std::uint32_t v = Row(y)[x];
    return RGB(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v));
}
