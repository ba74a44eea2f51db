// The software drawing device: mapping modes, StretchDIBits in both stretch modes for
// every DIB form, clipping and mirroring, raster operations, BitBlt, GetDIBits and the
// refusals that keep damaged DIBs from being read outside their blocks.
#include "platform/ByteOrder.h"
#include "platform/DibFormat.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/GdiPalette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A DIB under construction: header with colour table or masks, and the pixel block.
struct TestDib {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
};

TestDib MakeDib(int width, int height, unsigned bitCount, std::uint32_t compression = BI_RGB,
                std::vector<std::uint32_t> colors = {}, std::vector<std::uint32_t> masks = {}) {
    TestDib dib;
    dib.info.assign(kInfoHeaderSize + masks.size() * 4 + colors.size() * 4, 0);
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<std::uint16_t>(bitCount);
    h.biCompression = compression;
    h.biClrUsed = static_cast<std::uint32_t>(colors.size());
    WriteInfoHeader(dib.info.data(), h);
    std::size_t at = kInfoHeaderSize;
    for (std::uint32_t m : masks)
        PutLe32(dib.info.data() + at, m), at += 4;
    for (std::uint32_t c : colors) // 0x00RRGGBB is blue, green, red, 0 in memory
        PutLe32(dib.info.data() + at, c), at += 4;
    std::uint64_t rows =
        DibRowBytes(bitCount, width) * static_cast<std::uint64_t>(std::abs(height));
    dib.bits.assign(static_cast<std::size_t>(rows), 0);
    return dib;
}

// A memory context with a fresh black bitmap selected.
struct Canvas {
    CDC dc;
    CBitmap bitmap;
    Canvas(int width, int height) {
        dc.CreateCompatibleDC(nullptr);
        EXPECT_TRUE(bitmap.CreateCompatibleBitmap(dc, width, height));
        dc.SelectObject(&bitmap);
    }
    ~Canvas() { dc.SelectObject(nullptr); }
    std::uint32_t At(int x, int y) const { return bitmap.Row(y)[x]; }
    std::vector<std::uint32_t> Row(int y) const {
        return {bitmap.Row(y), bitmap.Row(y) + bitmap.Width()};
    }
    int Draw(const TestDib& dib, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
             int mode = COLORONCOLOR, std::uint32_t rop = SRCCOPY,
             unsigned usage = DIB_RGB_COLORS) {
        dc.SetStretchBltMode(mode);
        return dc.StretchDIBits(x, y, w, h, sx, sy, sw, sh, dib.bits, dib.info, usage, rop);
    }
};

std::uint32_t Grey(std::uint32_t v) {
    return v << 16 | v << 8 | v;
}

// One 24-bit row of grey levels, bottom-up, one row high.
TestDib GreyRow(std::vector<std::uint8_t> levels) {
    TestDib dib = MakeDib(static_cast<int>(levels.size()), 1, 24);
    for (std::size_t i = 0; i < levels.size(); ++i)
        std::memset(dib.bits.data() + i * 3, levels[i], 3);
    return dib;
}

} // namespace

// ---- Mapping modes ----

TEST(DrawingDeviceMapping, TextModeIsIdentityAndIgnoresExtents) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc.SetWindowExt({10, 10}), CSize(0, 0));
    EXPECT_EQ(dc.SetViewportExt({30, 30}), CSize(0, 0));
    EXPECT_EQ(dc.LPtoDP(CPoint(7, -3)), CPoint(7, -3));
    dc.SetViewportOrg({5, 6});
    dc.SetWindowOrg({1, 1});
    EXPECT_EQ(dc.LPtoDP(CPoint(7, -3)), CPoint(11, 2));
    EXPECT_EQ(dc.DPtoLP(CPoint(11, 2)), CPoint(7, -3));
}

TEST(DrawingDeviceMapping, AnisotropicScalesEachAxisAndConvertsBack) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(dc.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    dc.SetWindowExt({1000, 1000});
    dc.SetViewportExt({2500, 500}); // 2.5 times across, half down
    dc.SetViewportOrg({-40, 10});
    EXPECT_EQ(dc.LPtoDP(CPoint(100, 100)), CPoint(210, 60));
    EXPECT_EQ(dc.DPtoLP(CPoint(210, 60)), CPoint(100, 100));
    EXPECT_EQ(dc.LPtoDP(CRect(0, 0, 1000, 1000)), CRect(-40, 10, 2460, 510));
    EXPECT_EQ(dc.DPtoLP(CRect(-40, 10, 2460, 510)), CRect(0, 0, 1000, 1000));
    // Rounding to the nearest device pixel, halves away from zero.
    EXPECT_EQ(dc.LPtoDP(CPoint(1, 1)).x, -40 + 3);  // 2.5 -> 3
    EXPECT_EQ(dc.LPtoDP(CPoint(-1, 3)).x, -40 - 3); // -2.5 -> -3
    EXPECT_EQ(dc.LPtoDP(CPoint(0, 3)).y, 10 + 2);   // 1.5 -> 2
    // A device point converts back to the logical point nearest it.
    EXPECT_EQ(dc.DPtoLP(CPoint(-40 + 4, 10)).x, 2); // 1.6 -> 2
}

TEST(DrawingDeviceMapping, NegativeExtentMirrorsAndZeroExtentIsRefused) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SetMapMode(MM_ANISOTROPIC);
    EXPECT_EQ(dc.SetWindowExt({0, 5}), CSize(0, 0));
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
    dc.SetWindowExt({10, 10});
    dc.SetViewportExt({10, -10});
    dc.SetViewportOrg({0, 100});
    EXPECT_EQ(dc.LPtoDP(CPoint(3, 30)), CPoint(3, 70));
    EXPECT_EQ(dc.DPtoLP(CPoint(3, 70)), CPoint(3, 30));
    // Back to MM_TEXT: extents are 1:1 again, origins stay.
    dc.SetMapMode(MM_TEXT);
    EXPECT_EQ(dc.LPtoDP(CPoint(3, 30)), CPoint(3, 130));
    EXPECT_EQ(dc.SetMapMode(7), 0);
}

TEST(DrawingDeviceMapping, HugeCoordinatesAreClampedNotWrapped) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportExt({INT32_MAX, INT32_MAX});
    EXPECT_EQ(dc.LPtoDP(CPoint(INT32_MAX, INT32_MIN)), CPoint(INT32_MAX, INT32_MIN));
}

// ---- The two stretch modes on known patterns ----

TEST(DrawingDeviceStretch, HalvingAveragesPairsWhileColorOnColorPicksOnePixel) {
    TestDib dib = GreyRow({0, 100, 200, 255});
    Canvas average(2, 1), nearest(2, 1);
    EXPECT_EQ(average.Draw(dib, 0, 0, 2, 1, 0, 0, 4, 1, HALFTONE), 1);
    EXPECT_EQ(nearest.Draw(dib, 0, 0, 2, 1, 0, 0, 4, 1, COLORONCOLOR), 1);
    EXPECT_EQ(average.Row(0), (std::vector<std::uint32_t>{Grey(50), Grey(228)})); // 227.5 up
    EXPECT_EQ(nearest.Row(0), (std::vector<std::uint32_t>{Grey(100), Grey(255)}));
}

TEST(DrawingDeviceStretch, HalftoneWeighsPartlyCoveredPixelsByTheirShare) {
    // Three pixels onto two: each destination pixel covers one and a half source pixels.
    Canvas down(2, 1);
    down.Draw(GreyRow({0, 90, 180}), 0, 0, 2, 1, 0, 0, 3, 1, HALFTONE);
    EXPECT_EQ(down.Row(0), (std::vector<std::uint32_t>{Grey(30), Grey(150)}));
    // Two pixels onto three: the middle one straddles both halves equally.
    Canvas up(3, 1);
    up.Draw(GreyRow({0, 200}), 0, 0, 3, 1, 0, 0, 2, 1, HALFTONE);
    EXPECT_EQ(up.Row(0), (std::vector<std::uint32_t>{Grey(0), Grey(100), Grey(200)}));
    // Enlarging by a whole factor repeats pixels in both modes.
    Canvas twice(4, 1), twiceNearest(4, 1);
    twice.Draw(GreyRow({10, 20}), 0, 0, 4, 1, 0, 0, 2, 1, HALFTONE);
    twiceNearest.Draw(GreyRow({10, 20}), 0, 0, 4, 1, 0, 0, 2, 1, COLORONCOLOR);
    std::vector<std::uint32_t> doubled{Grey(10), Grey(10), Grey(20), Grey(20)};
    EXPECT_EQ(twice.Row(0), doubled);
    EXPECT_EQ(twiceNearest.Row(0), doubled);
}

TEST(DrawingDeviceStretch, HalftoneAveragesEachChannelInTwoDimensions) {
    TestDib dib = MakeDib(2, 2, 24);
    const std::uint8_t pixels[2][6] = {{10, 20, 30, 50, 60, 70}, {90, 100, 110, 130, 140, 150}};
    std::memcpy(dib.bits.data(), pixels[0], 6);
    std::memcpy(dib.bits.data() + 8, pixels[1], 6);
    Canvas c(1, 1);
    c.Draw(dib, 0, 0, 1, 1, 0, 0, 2, 2, HALFTONE);
    EXPECT_EQ(c.At(0, 0), (90u << 16) | (80u << 8) | 70u); // red 90, green 80, blue 70
}

// Area averaging against a plain double-precision box filter, on random pictures and
// sizes that share no factor with them, including enlargement in one axis only.
TEST(DrawingDeviceStretch, HalftoneMatchesAPlainBoxFilter) {
    std::mt19937 random(7);
    const int sw = 37, sh = 23;
    TestDib dib = MakeDib(sw, -sh, 24); // top-down: row y is line y
    const std::uint64_t pitch = DibRowBytes(24, sw);
    for (int y = 0; y < sh; ++y)
        for (int i = 0; i < sw * 3; ++i)
            dib.bits[y * pitch + i] = static_cast<std::uint8_t>(random());
    // Reductions of the height by four or more take the columns-first path.
    const int sizes[][2] = {{10, 7}, {5, 29}, {36, 22}, {1, 1}, {80, 3}, {7, 5}, {3, 2}};
    for (const auto& size : sizes) {
        const int dw = size[0], dh = size[1];
        SCOPED_TRACE(testing::Message() << dw << " x " << dh);
        Canvas c(dw, dh), mirrored(dw, dh);
        c.Draw(dib, 0, 0, dw, dh, 0, 0, sw, sh, HALFTONE);
        mirrored.Draw(dib, dw, 0, -dw, dh, 0, 0, sw, sh, HALFTONE);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                ASSERT_EQ(mirrored.At(dw - 1 - x, y), c.At(x, y));
        for (int y = 0; y < dh; ++y) {
            for (int x = 0; x < dw; ++x) {
                double y0 = double(y) * sh / dh, y1 = double(y + 1) * sh / dh;
                double x0 = double(x) * sw / dw, x1 = double(x + 1) * sw / dw;
                for (int ch = 0; ch < 3; ++ch) {
                    double sum = 0;
                    for (int sy = 0; sy < sh; ++sy) {
                        double wy =
                            std::max(0.0, std::min(y1, sy + 1.0) - std::max(y0, double(sy)));
                        for (int sx = 0; sx < sw && wy > 0; ++sx) {
                            double wx =
                                std::max(0.0, std::min(x1, sx + 1.0) - std::max(x0, double(sx)));
                            sum += wx * wy * dib.bits[sy * pitch + sx * 3 + ch];
                        }
                    }
                    double expected = sum / ((x1 - x0) * (y1 - y0));
                    int got = (c.At(x, y) >> (8 * ch)) & 0xFF;
                    ASSERT_NEAR(got, expected, 0.5 + 1e-6) << "pixel " << x << "," << y;
                }
            }
        }
    }
}

// ---- Every DIB form ----

namespace {

// The picture every form below encodes: 5 x 3 pixels of four colours, top line first.
const int kPicture[3][5] = {{0, 1, 2, 3, 0}, {3, 3, 1, 0, 2}, {1, 0, 0, 2, 3}};
const std::uint32_t kColors[4] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF};

std::vector<std::uint8_t> Rle8Stream() {
    // Line by line from the bottom: runs, literal runs padded to a word, end of line.
    return {1, 1, 2, 0, 1, 2, 1, 3, 0, 0,  // bottom: 1 | 0 0 | 2 | 3
            2, 3, 0, 3, 1, 0, 2, 0, 0, 0,  // middle: 3 3 | literal 1 0 2 (+pad)
            0, 5, 0, 1, 2, 3, 0, 0, 0, 1}; // top: literal 0 1 2 3 0 (+pad), end
}

TestDib EncodeForm(unsigned bits, std::uint32_t compression, bool topDown,
                   std::vector<std::uint32_t> masks = {}) {
    std::vector<std::uint32_t> colors;
    if (bits <= 8)
        colors.assign(kColors, kColors + 4);
    TestDib dib = MakeDib(5, topDown ? -3 : 3, bits, compression, colors, masks);
    const std::uint64_t pitch = DibRowBytes(bits, 5);
    for (int line = 0; line < 3; ++line) {
        std::uint8_t* row = dib.bits.data() + (topDown ? line : 2 - line) * pitch;
        for (int x = 0; x < 5; ++x) {
            int index = kPicture[line][x];
            std::uint32_t c = kColors[index];
            std::uint8_t r = c >> 16, g = c >> 8 & 0xFF, b = c & 0xFF;
            switch (bits) {
            case 1:
                if (index)
                    row[x / 8] |= 0x80 >> (x % 8);
                break;
            case 4:
                row[x / 2] |= index << (x % 2 ? 0 : 4);
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(index);
                break;
            case 16: {
                std::uint16_t v = masks.empty() || masks[1] == 0x3E0
                                      ? ((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                                      : ((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
                PutLe16(row + 2 * x, v);
                break;
            }
            case 24:
                row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
                break;
            case 32:
                if (masks.empty())
                    PutLe32(row + 4 * x, c | 0xAB000000u); // the fourth byte is not colour
                else                                       // red low, green middle, blue high
                    PutLe32(row + 4 * x, std::uint32_t{r} | g << 8 | std::uint32_t{b} << 16);
                break;
            }
        }
    }
    return dib;
}

void ExpectPicture(const Canvas& c, int left = 0, int top = 0) {
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(c.At(left + x, top + y), kColors[kPicture[y][x]]) << x << "," << y;
}

} // namespace

TEST(DrawingDeviceForms, EveryUncompressedDepthDrawsTheSamePictureBothWaysUp) {
    struct Form {
        unsigned bits;
        std::uint32_t compression;
        std::vector<std::uint32_t> masks;
    };
    const Form forms[] = {
        {4, BI_RGB, {}},
        {8, BI_RGB, {}},
        {16, BI_RGB, {}},
        {24, BI_RGB, {}},
        {32, BI_RGB, {}},
        {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
        {32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000}},
    };
    for (const Form& form : forms) {
        for (bool topDown : {false, true}) {
            for (int mode : {COLORONCOLOR, HALFTONE}) {
                SCOPED_TRACE(testing::Message()
                             << form.bits << " bits, compression " << form.compression
                             << (topDown ? " top-down" : "") << " mode " << mode);
                TestDib dib = EncodeForm(form.bits, form.compression, topDown, form.masks);
                Canvas c(5, 3);
                EXPECT_EQ(c.Draw(dib, 0, 0, 5, 3, 0, 0, 5, 3, mode), 3);
                ExpectPicture(c);
            }
        }
    }
}

TEST(DrawingDeviceForms, OneBitDibsUseTheirTwoColours) {
    TestDib dib = MakeDib(10, 1, 1, BI_RGB, {0x102030, 0xA0B0C0});
    dib.bits[0] = 0b10100000;
    dib.bits[1] = 0b01000000; // pixel 9
    Canvas c(10, 1);
    c.Draw(dib, 0, 0, 10, 1, 0, 0, 10, 1);
    std::vector<std::uint32_t> expected(10, 0x102030);
    expected[0] = expected[2] = expected[9] = 0xA0B0C0;
    EXPECT_EQ(c.Row(0), expected);
}

TEST(DrawingDeviceForms, RleStreamsExpandToTheSamePicture) {
    TestDib rle8 = MakeDib(5, 3, 8, BI_RLE8, {kColors, kColors + 4});
    rle8.bits = Rle8Stream();
    std::vector<std::uint8_t> s4 = {1, 0x11, 2,    0x00, 2,    0x23, 0, 0,  // 1 | 0 0 | 2 3
                                    2, 0x33, 0,    3,    0x10, 0x20, 0, 0,  // 3 3 | 1 0 2
                                    0, 5,    0x01, 0x23, 0x00, 0,    0, 1}; // 0 1 2 3 0
    TestDib rle4 = MakeDib(5, 3, 4, BI_RLE4, {kColors, kColors + 4});
    rle4.bits = s4;
    for (const TestDib* dib : {&rle8, &rle4}) {
        Canvas c(5, 3);
        EXPECT_EQ(c.Draw(*dib, 0, 0, 5, 3, 0, 0, 5, 3), 3);
        ExpectPicture(c);
    }
}

TEST(DrawingDeviceForms, RleDeltaSkipsPixelsAndDamageStaysInsideBothBuffers) {
    // Delta right 2 and up 1, then a run; skipped pixels keep colour 0.
    TestDib dib = MakeDib(4, 2, 8, BI_RLE8, {0x000000, 0x0000FF});
    dib.bits = {0, 2, 2, 1, 2, 1};
    Canvas c(4, 2);
    c.Draw(dib, 0, 0, 4, 2, 0, 0, 4, 2);
    EXPECT_EQ(c.Row(0), (std::vector<std::uint32_t>{0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(c.Row(1), (std::vector<std::uint32_t>(4, 0)));

    // Runs past the right edge, deltas past the top, literal runs longer than the data,
    // a stream cut inside an escape: all end cleanly.
    const std::vector<std::vector<std::uint8_t>> damaged = {
        {255, 1, 255, 1, 255, 1},
        {0, 2, 200, 200, 9, 1},
        {0, 255, 1, 1},
        {0, 2, 1},
        {0},
        {},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 1},
    };
    for (unsigned compression : {BI_RLE8, BI_RLE4}) {
        for (const auto& stream : damaged) {
            TestDib bad =
                MakeDib(4, 2, compression == BI_RLE8 ? 8 : 4, compression, {0x000000, 0x0000FF});
            bad.bits = stream;
            Canvas out(4, 2);
            EXPECT_EQ(out.Draw(bad, 0, 0, 4, 2, 0, 0, 4, 2), 2);
            EXPECT_EQ(out.Draw(bad, 0, 0, 3, 1, 0, 0, 4, 2, HALFTONE), 2);
        }
    }
}

TEST(DrawingDeviceForms, SixteenBitChannelsScaleToFullRange) {
    TestDib dib = MakeDib(2, 1, 16, BI_BITFIELDS, {}, {0xF800, 0x07E0, 0x001F});
    PutLe16(dib.bits.data(), 0xFFFF);
    PutLe16(dib.bits.data() + 2, (16 << 11) | (32 << 5) | 1); // mid red, mid green, 1 blue
    Canvas c(2, 1);
    c.Draw(dib, 0, 0, 2, 1, 0, 0, 2, 1);
    EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c.At(1, 0), (132u << 16) | (130u << 8) | 8u); // 16/31, 32/63, 1/31 of 255
}

TEST(DrawingDeviceForms, PaletteIndicesResolveThroughTheSelectedPalette) {
    CPalette palette;
    PALETTEENTRY entries[3] = {{1, 2, 3, 0}, {10, 20, 30, 0}, {100, 110, 120, 0}};
    ASSERT_TRUE(palette.CreatePalette(entries));
    TestDib dib = MakeDib(2, 1, 8);
    dib.info.resize(kInfoHeaderSize + 4);
    PutLe16(dib.info.data() + 40, 2); // colour 0 is palette entry 2
    PutLe16(dib.info.data() + 42, 0);
    dib.bits[0] = 0;
    dib.bits[1] = 1;
    Canvas c(2, 1);
    c.dc.SelectPalette(&palette, false);
    c.Draw(dib, 0, 0, 2, 1, 0, 0, 2, 1, COLORONCOLOR, SRCCOPY, DIB_PAL_COLORS);
    EXPECT_EQ(c.At(0, 0), (100u << 16) | (110u << 8) | 120u);
    EXPECT_EQ(c.At(1, 0), (1u << 16) | (2u << 8) | 3u);
}

// ---- Rectangles: source origin, mirroring, clipping, mapping ----

TEST(DrawingDeviceRectangles, SourceOriginIsTheLowerLeftOfABottomUpDib) {
    TestDib up = EncodeForm(24, BI_RGB, false);
    TestDib down = EncodeForm(24, BI_RGB, true);
    Canvas fromUp(2, 1), fromDown(2, 1);
    // The top line, columns 1 and 2: two lines up from the bottom of the bottom-up DIB.
    fromUp.Draw(up, 0, 0, 2, 1, 1, 2, 2, 1);
    fromDown.Draw(down, 0, 0, 2, 1, 1, 0, 2, 1);
    std::vector<std::uint32_t> expected{kColors[1], kColors[2]};
    EXPECT_EQ(fromUp.Row(0), expected);
    EXPECT_EQ(fromDown.Row(0), expected);
}

TEST(DrawingDeviceRectangles, NegativeWidthOrHeightMirrors) {
    TestDib dib = EncodeForm(24, BI_RGB, false);
    Canvas c(5, 3);
    c.Draw(dib, 5, 3, -5, -3, 0, 0, 5, 3); // from the far corner back: turned half round
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(c.At(x, y), kColors[kPicture[2 - y][4 - x]]);
    Canvas m(5, 3);
    m.Draw(dib, 0, 0, 5, 3, 5, 0, -5, 3, HALFTONE); // the source given right to left
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(m.At(x, 0), kColors[kPicture[0][4 - x]]);
}

TEST(DrawingDeviceRectangles, DrawingIsClippedToTheSurface) {
    TestDib dib = EncodeForm(24, BI_RGB, false);
    Canvas c(5, 3);
    c.dc.FillSolidRect({0, 0, 5, 3}, RGB(1, 2, 3));
    EXPECT_EQ(c.Draw(dib, 3, -1, 5, 3, 0, 0, 5, 3), 3);
    const std::uint32_t fill = 0x010203;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            bool inside = x >= 3 && y <= 1;
            EXPECT_EQ(c.At(x, y), inside ? kColors[kPicture[y + 1][x - 3]] : fill) << x << "," << y;
        }
    // Wholly outside: succeeds and touches nothing.
    EXPECT_EQ(c.Draw(dib, 100, 100, 5, 3, 0, 0, 5, 3, HALFTONE), 3);
    EXPECT_EQ(c.At(0, 2), fill);
}

TEST(DrawingDeviceRectangles, TheMappingScalesLogicalRectangles) {
    TestDib dib = EncodeForm(24, BI_RGB, false);
    Canvas c(10, 6);
    c.dc.SetMapMode(MM_ANISOTROPIC);
    c.dc.SetWindowExt({5, 3});
    c.dc.SetViewportExt({10, 6});
    EXPECT_EQ(c.Draw(dib, 0, 0, 5, 3, 0, 0, 5, 3), 3);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(c.At(x, y), kColors[kPicture[y / 2][x / 2]]);
}

TEST(DrawingDeviceRectangles, AVeryLargeEnlargementComputesOnlyWhatIsVisible) {
    TestDib dib = GreyRow({10, 250});
    Canvas c(4, 1);
    // 2 pixels to 2^30 device pixels; the surface shows the first 4 of the left half.
    EXPECT_EQ(c.Draw(dib, 0, 0, 1 << 30, 1, 0, 0, 2, 1, HALFTONE), 1);
    EXPECT_EQ(c.Row(0), std::vector<std::uint32_t>(4, Grey(10)));
}

// ---- Raster operations and refusals ----

TEST(DrawingDeviceRasterOps, CombineSourceAndDestination) {
    TestDib dib = GreyRow({0xF0});
    struct Case {
        std::uint32_t rop;
        std::uint32_t expected;
    };
    const Case cases[] = {{SRCCOPY, 0xF0F0F0},   {SRCAND, 0x303030},     {SRCPAINT, 0xFCFCFC},
                          {SRCINVERT, 0xCCCCCC}, {NOTSRCCOPY, 0x0F0F0F}, {DSTINVERT, 0xC3C3C3},
                          {BLACKNESS, 0},        {WHITENESS, 0xFFFFFF}};
    for (const Case& k : cases) {
        Canvas c(1, 1);
        c.dc.FillSolidRect({0, 0, 1, 1}, RGB(0x3C, 0x3C, 0x3C));
        EXPECT_EQ(c.Draw(dib, 0, 0, 1, 1, 0, 0, 1, 1, COLORONCOLOR, k.rop), 1);
        EXPECT_EQ(c.At(0, 0), k.expected) << std::hex << k.rop;
    }
}

TEST(DrawingDeviceRasterOps, DamagedOrImpossibleCallsDrawNothing) {
    Canvas c(4, 4);
    TestDib good = EncodeForm(8, BI_RGB, false);
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, 0, 0, 5, 3, COLORONCOLOR, 0x00123456), 0); // rop
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, 0, 0, 6, 3), 0);  // source wider than the DIB
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, -1, 0, 5, 3), 0); // source starts outside
    EXPECT_EQ(c.Draw(good, 0, 0, 0, 4, 0, 0, 5, 3), 0);  // empty destination
    TestDib shortBlock = good;
    shortBlock.bits.resize(shortBlock.bits.size() - 1);
    EXPECT_EQ(c.Draw(shortBlock, 0, 0, 4, 4, 0, 0, 5, 3), 0);

    auto withField = [&](std::size_t offset, std::uint32_t value, bool wide = true) {
        TestDib d = good;
        if (wide)
            PutLe32(d.info.data() + offset, value);
        else
            PutLe16(d.info.data() + offset, static_cast<std::uint16_t>(value));
        return d;
    };
    const TestDib bad[] = {
        withField(0, 41),          // header size
        withField(4, 0),           // width
        withField(8, 0),           // height
        withField(8, 0x80000000u), // height -2^31
        withField(4, 1u << 25),    // side beyond 2^24
        withField(12, 2, false),   // planes
        withField(14, 7, false),   // depth
        withField(16, BI_RLE4),    // RLE4 on 8 bits
        withField(16, 9),          // unknown compression
    };
    for (const TestDib& d : bad)
        EXPECT_EQ(c.Draw(d, 0, 0, 4, 4, 0, 0, 5, 3), 0);
    TestDib truncated = good;
    truncated.info.resize(20);
    EXPECT_EQ(c.Draw(truncated, 0, 0, 4, 4, 0, 0, 5, 3), 0);
    TestDib topDownRle = MakeDib(4, -2, 8, BI_RLE8, {0});
    EXPECT_EQ(c.Draw(topDownRle, 0, 0, 4, 2, 0, 0, 4, 2), 0);
    TestDib overlapping = MakeDib(4, 1, 16, BI_BITFIELDS, {}, {0xF800, 0x0FE0, 0x001F});
    EXPECT_EQ(c.Draw(overlapping, 0, 0, 4, 1, 0, 0, 4, 1), 0);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(c.Row(y), std::vector<std::uint32_t>(4, 0));
}

// ---- Device state, bitmaps and capture ----

TEST(DrawingDeviceState, StretchModePaletteAndCapabilities) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(dc.SetStretchBltMode(HALFTONE), BLACKONWHITE);
    EXPECT_EQ(dc.SetStretchBltMode(9), 0);
    EXPECT_EQ(dc.GetStretchBltMode(), HALFTONE);

    CPalette halftone;
    ASSERT_TRUE(halftone.CreateHalftonePalette(dc));
    EXPECT_EQ(halftone.GetEntryCount(), 256u);
    EXPECT_EQ(halftone.GetNearestPaletteIndex(RGB(0, 0, 0)), 0u);
    const PALETTEENTRY& white =
        halftone.Entries()[halftone.GetNearestPaletteIndex(RGB(255, 255, 255))];
    EXPECT_EQ(white.peRed + white.peGreen + white.peBlue, 3 * 255);
    EXPECT_EQ(dc.SelectPalette(&halftone, false), nullptr);
    EXPECT_EQ(dc.RealizePalette(), 0u);
    EXPECT_EQ(dc.SelectPalette(nullptr, false), &halftone);
    CPalette empty;
    EXPECT_FALSE(empty.CreatePalette({}));

    EXPECT_EQ(dc.GetDeviceCaps(BITSPIXEL), 32);
    EXPECT_EQ(dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE, 0);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc, 30, 20));
    dc.SelectObject(&bitmap);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 30);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 20);
    dc.SelectObject(nullptr);

    CDC::ScreenCaps saved = CDC::GetScreenCaps();
    CDC::SetScreenCaps({8, 1, 640, 480});
    CDC screen;
    screen.CreateScreenDC();
    EXPECT_EQ(screen.GetDeviceCaps(BITSPIXEL), 8);
    EXPECT_EQ(screen.GetDeviceCaps(SIZEPALETTE), 256);
    EXPECT_NE(screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(screen.GetDeviceCaps(HORZRES), 640);
    CDC::SetScreenCaps(saved);
}

TEST(DrawingDeviceState, BitmapsRefuseImpossibleSizes) {
    CDC dc;
    CBitmap bitmap;
    EXPECT_FALSE(bitmap.CreateCompatibleBitmap(dc, 0, 5));
    EXPECT_FALSE(bitmap.CreateCompatibleBitmap(dc, 5, -1));
    EXPECT_FALSE(bitmap.CreateCompatibleBitmap(dc, 1 << 20, 1 << 20));
    EXPECT_FALSE(bitmap.IsCreated());
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFFFFFFFFu);
}

TEST(DrawingDeviceState, BitBltCopiesAndGrowsWithTheMapping) {
    Canvas mark(2, 2);
    mark.dc.FillSolidRect({0, 0, 2, 2}, RGB(255, 0, 0));
    mark.dc.FillSolidRect({1, 1, 2, 2}, RGB(0, 0, 255));
    Canvas view(6, 6);
    EXPECT_TRUE(view.dc.BitBlt(0, 0, 2, 2, &mark.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(view.At(0, 0), 0xFF0000u);
    EXPECT_EQ(view.At(1, 1), 0x0000FFu);
    EXPECT_EQ(view.At(2, 2), 0u);
    view.dc.SetMapMode(MM_ANISOTROPIC);
    view.dc.SetWindowExt({1, 1});
    view.dc.SetViewportExt({3, 3});
    EXPECT_TRUE(view.dc.BitBlt(0, 0, 2, 2, &mark.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(view.At(2, 2), 0xFF0000u);
    EXPECT_EQ(view.At(3, 3), 0x0000FFu);
    EXPECT_EQ(view.At(5, 5), 0x0000FFu);
    CDC none;
    EXPECT_FALSE(view.dc.BitBlt(0, 0, 2, 2, &none, 0, 0, SRCCOPY));
    // Onto itself: shifting right by one reads the pixels as they were.
    Canvas self(3, 1);
    self.dc.FillSolidRect({0, 0, 1, 1}, RGB(9, 9, 9));
    EXPECT_TRUE(self.dc.BitBlt(1, 0, 2, 1, &self.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(self.Row(0), (std::vector<std::uint32_t>{0x090909, 0x090909, 0}));
}

TEST(DrawingDeviceState, GetDIBitsWritesPaddedRowsInTheRequestedOrder) {
    Canvas c(3, 2);
    c.dc.FillSolidRect({0, 0, 3, 1}, RGB(1, 2, 3)); // top line
    c.dc.FillSolidRect({2, 1, 3, 2}, RGB(7, 8, 9)); // bottom right
    std::vector<std::uint8_t> info(kInfoHeaderSize);
    BITMAPINFOHEADER h;
    h.biWidth = 3;
    h.biHeight = 2;
    h.biBitCount = 24;
    WriteInfoHeader(info.data(), h);
    std::vector<std::uint8_t> bits(2 * 12, 0xEE);
    ASSERT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, bits, info, DIB_RGB_COLORS), 2);
    const std::vector<std::uint8_t> expected = {
        0, 0, 0, 0, 0, 0, 9, 8, 7, 0, 0, 0, // bottom line first, padding cleared
        3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0};
    EXPECT_EQ(bits, expected);
    // Top-down, 32 bits, from line 1 only.
    h.biHeight = -2;
    h.biBitCount = 32;
    WriteInfoHeader(info.data(), h);
    std::vector<std::uint8_t> one(12);
    ASSERT_EQ(c.dc.GetDIBits(c.bitmap, 1, 5, one, info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(one, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 9, 8, 7, 0}));
    // Refused: too small a buffer, 8 bits, a different size.
    EXPECT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, std::span(one).first(11), info, 0), 0);
    h.biBitCount = 8;
    WriteInfoHeader(info.data(), h);
    EXPECT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, bits, info, 0), 0);
    // The query form completes the header.
    h = {};
    WriteInfoHeader(info.data(), h);
    EXPECT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, {}, info, 0), 2);
    BITMAPINFOHEADER filled = ReadInfoHeader(info.data());
    EXPECT_EQ(filled.biWidth, 3);
    EXPECT_EQ(filled.biBitCount, 32);
    EXPECT_EQ(filled.biSizeImage, 24u);
}
