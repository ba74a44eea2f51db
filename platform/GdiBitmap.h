// CBitmap: a device-dependent bitmap of the software drawing device, a top-down surface
// of 32-bit pixels (bytes blue, green, red, unused; as a number 0x00RRGGBB) that a
// memory device context draws into once the bitmap is selected into it.
//
// A selected bitmap must outlive its selection: the device context keeps a plain pointer
// until another bitmap is selected or the context goes.
#pragma once

#include "platform/GdiTypes.h"

#include <cstdint>
#include <span>
#include <vector>

class CDC;

struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 1;
    std::uint16_t bmBitsPixel = 32;
};

class CBitmap {
public:
    // Largest surface: 2^28 pixels (1 GiB).
    static constexpr std::int64_t maxPixels = std::int64_t{1} << 28;

    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // A black surface of width × height pixels in the format of the device (always 32
    // bits here). False for a side below 1 or above 2^24, more than maxPixels, or when
    // the memory cannot be had; the bitmap is then empty.
    bool CreateCompatibleBitmap(CDC& dc, std::int32_t width, std::int32_t height);
    void DeleteObject();

    bool IsCreated() const { return !m_pixels.empty(); }
    // Fills bitmap with the width, height, row bytes, planes (1) and bits per pixel (32).
    bool GetBitmap(BITMAP& bitmap) const;
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    CSize GetSize() const { return {m_width, m_height}; }

    // Pixel access for the device and for tests; Row's y must lie inside.
    std::uint32_t* Pixels() { return m_pixels.data(); }
    const std::uint32_t* Pixels() const { return m_pixels.data(); }
    std::uint32_t* Row(std::int32_t y) { return m_pixels.data() + std::size_t(y) * m_width; }
    const std::uint32_t* Row(std::int32_t y) const {
        return m_pixels.data() + std::size_t(y) * m_width;
    }
    // The pixel as a colour value (0x00BBGGRR); 0xFFFFFFFF outside the bitmap.
    COLORREF GetPixel(std::int32_t x, std::int32_t y) const;

private:
    std::vector<std::uint32_t> m_pixels;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
};
