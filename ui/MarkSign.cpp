#include "ui/MarkSign.h"

#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"

#include <cstdint>

namespace {
constexpr std::uint32_t white = 0x00FFFFFF;
constexpr std::uint32_t red = 0x00D02020;

// The check mark as runs of pixels, one per column: {x, top y, bottom y}.
struct Stroke {
    int x, top, bottom;
};
constexpr Stroke checkMark[] = {{4, 7, 9}, {5, 8, 10}, {6, 9, 11}, {7, 8, 10},
                                {8, 7, 9}, {9, 6, 8},  {10, 5, 7}, {11, 4, 6}};
} // namespace

bool BuildMarkSign(CBitmap& bitmap) {
    CDC screen;
    screen.CreateScreenDC();
    if (!bitmap.CreateCompatibleBitmap(screen, markSignSize, markSignSize))
        return false;
    // Pixel centres at half units: the disc of radius 7.5 touches every edge.
    for (int y = 0; y < markSignSize; ++y) {
        std::uint32_t* row = bitmap.Row(y);
        for (int x = 0; x < markSignSize; ++x) {
            const double dx = x + 0.5 - markSignSize / 2.0;
            const double dy = y + 0.5 - markSignSize / 2.0;
            row[x] = dx * dx + dy * dy <= 7.5 * 7.5 ? red : white;
        }
    }
    for (const Stroke& stroke : checkMark)
        for (int y = stroke.top; y <= stroke.bottom; ++y)
            bitmap.Row(y)[stroke.x] = white;
    return true;
}
