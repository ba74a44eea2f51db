// The software drawing device as pictures use it: mapping modes, StretchDIBits in both
// stretch modes for every DIB form, clipping, BitBlt, GetDIBits and the refusals that keep
// damaged DIBs from being read outside their blocks.
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
    h.biWidth = width, h.biHeight = height, h.biBitCount = static_cast<std::uint16_t>(bitCount);
    h.biCompression = compression, h.biClrUsed = static_cast<std::uint32_t>(colors.size());
    WriteInfoHeader(dib.info.data(), h);
    masks.insert(masks.end(), colors.begin(), colors.end()); // colours as blue, green, red, 0
    for (std::size_t i = 0; i < masks.size(); ++i)
        PutLe32(dib.info.data() + kInfoHeaderSize + 4 * i, masks[i]);
    dib.bits.resize(DibRowBytes(bitCount, width) * std::abs(height));
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
             int mode = COLORONCOLOR, std::uint32_t rop = SRCCOPY) {
        dc.SetStretchBltMode(mode);
        return dc.StretchDIBits(x, y, w, h, sx, sy, sw, sh, dib.bits, dib.info, DIB_RGB_COLORS,
                                rop);
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

TEST(DrawingDeviceMapping, PointsAndRectanglesConvertBothWays) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT); // 1:1, extents ignored, origins kept
    EXPECT_EQ(dc.SetWindowExt({10, 10}), CSize(0, 0));
    EXPECT_EQ(dc.SetViewportExt({30, 30}), CSize(0, 0));
    dc.SetViewportOrg({5, 6});
    dc.SetWindowOrg({1, 1});
    EXPECT_EQ(dc.LPtoDP(CPoint(7, -3)), CPoint(11, 2));
    EXPECT_EQ(dc.DPtoLP(CPoint(11, 2)), CPoint(7, -3));

    EXPECT_EQ(dc.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    dc.SetWindowOrg({0, 0});
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

TEST(DrawingDeviceMapping, NegativeExtentsMirrorAndImpossibleValuesAreRefusedOrClamped) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SetMapMode(MM_ANISOTROPIC);
    EXPECT_EQ(dc.SetWindowExt({0, 5}), CSize(0, 0));
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
    dc.SetViewportExt({INT32_MAX, INT32_MAX});
    EXPECT_EQ(dc.LPtoDP(CPoint(INT32_MAX, INT32_MIN)), CPoint(INT32_MAX, INT32_MIN));
    dc.SetWindowExt({10, 10});
    dc.SetViewportExt({10, -10});
    dc.SetViewportOrg({0, 100});
    EXPECT_EQ(dc.LPtoDP(CPoint(3, 30)), CPoint(3, 70));
    EXPECT_EQ(dc.DPtoLP(CPoint(3, 70)), CPoint(3, 30));
    dc.SetMapMode(MM_TEXT); // extents are 1:1 again, origins stay
    EXPECT_EQ(dc.LPtoDP(CPoint(3, 30)), CPoint(3, 130));
    EXPECT_EQ(dc.SetMapMode(7), 0);
}

// ---- The two stretch modes on known patterns ----

// Area averaging against a plain double-precision box filter, on random 3- and 4-byte
// pixels and sizes that share no factor with them, including enlargement in one axis only;
// mirrored, the same pixels come out in the other order.
TEST(DrawingDeviceStretch, HalftoneMatchesAPlainBoxFilter) {
    std::mt19937 random(7);
    const int sw = 37, sh = 23;
    for (unsigned bits : {24u, 32u}) {
        TestDib dib = MakeDib(sw, -sh, bits); // top-down: row y is line y
        const std::uint64_t pitch = DibRowBytes(bits, sw), bytes = bits / 8;
        for (std::uint8_t& b : dib.bits)
            b = static_cast<std::uint8_t>(random());
        // Reductions of the height by four or more take the columns-first path.
        const int sizes[][2] = {{10, 7}, {5, 29}, {36, 22}, {1, 1}, {80, 3}, {7, 5}, {3, 2}};
        for (const auto& size : sizes) {
            const int dw = size[0], dh = size[1];
            SCOPED_TRACE(testing::Message() << bits << " bits to " << dw << " x " << dh);
            Canvas c(dw, dh), mirrored(dw, dh);
            c.Draw(dib, 0, 0, dw, dh, 0, 0, sw, sh, HALFTONE);
            mirrored.Draw(dib, dw, 0, -dw, dh, 0, 0, sw, sh, HALFTONE);
            for (int y = 0; y < dh; ++y) {
                for (int x = 0; x < dw; ++x) {
                    ASSERT_EQ(mirrored.At(dw - 1 - x, y), c.At(x, y));
                    double y0 = double(y) * sh / dh, y1 = double(y + 1) * sh / dh;
                    double x0 = double(x) * sw / dw, x1 = double(x + 1) * sw / dw;
                    for (int ch = 0; ch < 3; ++ch) {
                        double sum = 0;
                        for (int sy = int(y0); sy < y1; ++sy) {
                            double wy = std::min(y1, sy + 1.0) - std::max(y0, double(sy));
                            for (int sx = int(x0); sx < x1; ++sx)
                                sum += (std::min(x1, sx + 1.0) - std::max(x0, double(sx))) * wy *
                                       dib.bits[sy * pitch + sx * bytes + ch];
                        }
                        int got = (c.At(x, y) >> (8 * ch)) & 0xFF;
                        ASSERT_NEAR(got, sum / ((x1 - x0) * (y1 - y0)), 0.5 + 1e-6)
                            << "pixel " << x << "," << y;
                    }
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

// Bits of 16 go out 5-5-5, or 5-6-5 when masks are given; bits of 32 with masks store red
// low, green in the middle and blue high.
TestDib EncodeForm(unsigned bits, bool topDown, std::vector<std::uint32_t> masks = {}) {
    std::vector<std::uint32_t> colors;
    if (bits <= 8)
        colors.assign(kColors, kColors + 4);
    TestDib dib =
        MakeDib(5, topDown ? -3 : 3, bits, masks.empty() ? BI_RGB : BI_BITFIELDS, colors, masks);
    const std::uint64_t pitch = DibRowBytes(bits, 5);
    for (int line = 0; line < 3; ++line) {
        std::uint8_t* row = dib.bits.data() + (topDown ? line : 2 - line) * pitch;
        for (int x = 0; x < 5; ++x) {
            const int index = kPicture[line][x];
            const std::uint32_t c = kColors[index], r = c >> 16, g = c >> 8 & 0xFF, b = c & 0xFF;
            if (bits <= 8) // the leftmost pixel in the high bits
                row[x * bits / 8] |= static_cast<std::uint8_t>(index << (8 - bits - x * bits % 8));
            else if (bits == 16)
                PutLe16(row + 2 * x, masks.empty() ? (r >> 3 << 10 | g >> 3 << 5 | b >> 3)
                                                   : (r >> 3 << 11 | g >> 2 << 5 | b >> 3));
            else if (bits == 24)
                row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
            else // the fourth byte of a plain 32-bit pixel is not colour
                PutLe32(row + 4 * x, masks.empty() ? c | 0xAB000000u : r | g << 8 | b << 16);
        }
    }
    return dib;
}

std::uint32_t PictureAt(int x, int y) {
    return kColors[kPicture[y][x]];
}

// Every pixel of the canvas against expected(x, y).
template <class F> void ExpectPixels(const Canvas& c, F expected) {
    for (int y = 0; y < c.bitmap.Height(); ++y)
        for (int x = 0; x < c.bitmap.Width(); ++x)
            EXPECT_EQ(c.At(x, y), expected(x, y)) << x << "," << y;
}

} // namespace

TEST(DrawingDeviceForms, EveryUncompressedDepthDrawsTheSamePictureBothWaysUp) {
    const std::vector<std::uint32_t> none, m565 = {0xF800, 0x07E0, 0x001F},
                                           m32 = {0x0000FF, 0x00FF00, 0xFF0000};
    const struct {
        unsigned bits;
        const std::vector<std::uint32_t>& masks; // BI_BITFIELDS when given
    } forms[] = {{4, none}, {8, none}, {16, none}, {24, none}, {32, none}, {16, m565}, {32, m32}};
    for (const auto& form : forms) {
        for (bool topDown : {false, true}) {
            for (int mode : {COLORONCOLOR, HALFTONE}) {
                SCOPED_TRACE(testing::Message() << form.bits << " bits, masks " << form.masks.size()
                                                << " top-down " << topDown << " mode " << mode);
                TestDib dib = EncodeForm(form.bits, topDown, form.masks);
                Canvas c(5, 3);
                EXPECT_EQ(c.Draw(dib, 0, 0, 5, 3, 0, 0, 5, 3, mode), 3);
                ExpectPixels(c, PictureAt);
            }
        }
    }
    // One bit: two colours, eight pixels to a byte, the leftmost in the high bit.
    TestDib mono = MakeDib(10, 1, 1, BI_RGB, {0x102030, 0xA0B0C0});
    mono.bits[0] = 0b10100000;
    mono.bits[1] = 0b01000000; // pixel 9
    Canvas c(10, 1);
    c.Draw(mono, 0, 0, 10, 1, 0, 0, 10, 1);
    ExpectPixels(c, [](int x, int) { return x == 0 || x == 2 || x == 9 ? 0xA0B0C0u : 0x102030u; });
}

TEST(DrawingDeviceForms, RleDeltaSkipsPixelsAndDamageStaysInsideBothBuffers) {
    // Delta right 2 and up 1, then a run; skipped pixels keep colour 0.
    TestDib dib = MakeDib(4, 2, 8, BI_RLE8, {0x000000, 0x0000FF});
    dib.bits = {0, 2, 2, 1, 2, 1};
    Canvas c(4, 2);
    c.Draw(dib, 0, 0, 4, 2, 0, 0, 4, 2);
    EXPECT_EQ(c.Row(0), (std::vector<std::uint32_t>{0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(c.Row(1), (std::vector<std::uint32_t>(4, 0)));

    // Runs and literal runs past the right edge, deltas past the top, literal runs longer
    // than the data, a stream cut inside an escape: all end cleanly.
    const std::vector<std::vector<std::uint8_t>> damaged = {{255, 1, 255, 1, 255, 1},
                                                            {0, 2, 200, 200, 9, 1},
                                                            {0, 255, 1, 1},
                                                            {0, 2, 1},
                                                            {0},
                                                            {},
                                                            {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 1},
                                                            {0, 0, 0, 6, 1, 1, 1, 1, 1, 1}};
    for (unsigned compression : {BI_RLE8, BI_RLE4}) {
        for (const auto& stream : damaged) {
            TestDib bad =
                MakeDib(4, 2, compression == BI_RLE8 ? 8 : 4, compression, {0x000000, 0x0000FF});
            bad.bits = std::vector<std::uint8_t>(stream); // exactly sized: reads past it show
            Canvas out(4, 2);
            EXPECT_EQ(out.Draw(bad, 0, 0, 4, 2, 0, 0, 4, 2), 2);
            EXPECT_EQ(out.Draw(bad, 0, 0, 3, 1, 0, 0, 4, 2, HALFTONE), 2);
        }
    }
}

TEST(DrawingDeviceForms, MaskedChannelsScaleToFullRange) {
    TestDib dib16 = MakeDib(2, 1, 16, BI_BITFIELDS, {}, {0xF800, 0x07E0, 0x001F});
    PutLe16(dib16.bits.data(), 0xFFFF);
    PutLe16(dib16.bits.data() + 2, (16 << 11) | (32 << 5) | 1); // mid red, mid green, 1 blue
    Canvas c16(2, 1);
    c16.Draw(dib16, 0, 0, 2, 1, 0, 0, 2, 1);
    EXPECT_EQ(c16.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c16.At(1, 0), (132u << 16) | (130u << 8) | 8u); // 16/31, 32/63, 1/31 of 255
}

// ---- Rectangles: source origin, mirroring, clipping, mapping ----

TEST(DrawingDeviceRectangles, TheDestinationIsMappedAndClippedToTheSurface) {
    TestDib dib = EncodeForm(24, false);
    Canvas c(5, 3);
    c.dc.FillSolidRect({0, 0, 5, 3}, RGB(1, 2, 3));
    EXPECT_EQ(c.Draw(dib, 3, -1, 5, 3, 0, 0, 5, 3), 3);
    EXPECT_EQ(c.Draw(dib, 100, 100, 5, 3, 0, 0, 5, 3, HALFTONE), 3); // wholly outside
    ExpectPixels(
        c, [](int x, int y) { return x >= 3 && y <= 1 ? PictureAt(x - 3, y + 1) : 0x010203; });

    Canvas scaled(10, 6);
    scaled.dc.SetMapMode(MM_ANISOTROPIC);
    scaled.dc.SetWindowExt({5, 3});
    scaled.dc.SetViewportExt({10, 6});
    EXPECT_EQ(scaled.Draw(dib, 0, 0, 5, 3, 0, 0, 5, 3), 3);
    ExpectPixels(scaled, [](int x, int y) { return PictureAt(x / 2, y / 2); });

    // 2 pixels to 2^30 device pixels: only the visible first 4 of the left half are made.
    Canvas huge(4, 1);
    EXPECT_EQ(huge.Draw(GreyRow({10, 250}), 0, 0, 1 << 30, 1, 0, 0, 2, 1, HALFTONE), 1);
    EXPECT_EQ(huge.Row(0), std::vector<std::uint32_t>(4, Grey(10)));
}

// ---- Refusals ----

TEST(DrawingDeviceRasterOps, DamagedOrImpossibleCallsDrawNothing) {
    Canvas c(4, 4);
    TestDib good = EncodeForm(8, false);
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, 0, 0, 5, 3, COLORONCOLOR, 0x00123456), 0); // rop
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, 0, 0, 6, 3), 0);  // source wider than the DIB
    EXPECT_EQ(c.Draw(good, 0, 0, 4, 4, -1, 0, 5, 3), 0); // source starts outside
    EXPECT_EQ(c.Draw(good, 0, 0, 0, 4, 0, 0, 5, 3), 0);  // empty destination
    TestDib shortBlock = good;
    shortBlock.bits.resize(shortBlock.bits.size() - 1);
    EXPECT_EQ(c.Draw(shortBlock, 0, 0, 4, 4, 0, 0, 5, 3), 0);

    // Header fields at their offsets: size, width, height (0 and -2^31), a side beyond
    // 2^24, planes and depth (16-bit fields), RLE4 on 8 bits, an unknown compression.
    const std::uint32_t fields[][3] = {{0, 41, 4},       {4, 0, 4},        {8, 0, 4},
                                       {8, 1u << 31, 4}, {4, 1u << 25, 4}, {12, 2, 2},
                                       {14, 7, 2},       {16, BI_RLE4, 4}, {16, 9, 4}};
    for (const auto& [offset, value, size] : fields) {
        TestDib d = good;
        size == 4 ? PutLe32(d.info.data() + offset, value)
                  : PutLe16(d.info.data() + offset, std::uint16_t(value));
        EXPECT_EQ(c.Draw(d, 0, 0, 4, 4, 0, 0, 5, 3), 0) << offset << " " << value;
    }
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

TEST(DrawingDeviceState, StretchModeAndPalettes) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    EXPECT_EQ(dc.SetStretchBltMode(HALFTONE), BLACKONWHITE);
    EXPECT_EQ(dc.SetStretchBltMode(9), 0);
    EXPECT_EQ(dc.GetStretchBltMode(), HALFTONE);

    CPalette halftone, empty;
    ASSERT_TRUE(halftone.CreateHalftonePalette(dc));
    EXPECT_EQ(halftone.GetEntryCount(), 256u);
    const PALETTEENTRY& white =
        halftone.Entries()[halftone.GetNearestPaletteIndex(RGB(255, 255, 255))];
    EXPECT_EQ(white.peRed + white.peGreen + white.peBlue, 3 * 255);
    EXPECT_EQ(dc.SelectPalette(&halftone, false), nullptr);
    EXPECT_EQ(dc.SelectPalette(nullptr, false), &halftone);
    EXPECT_FALSE(empty.CreatePalette({}));
}

TEST(DrawingDeviceState, BitmapsRefuseImpossibleSizes) {
    CDC dc;
    CBitmap bitmap;
    for (const auto [w, h] : {std::pair{0, 5}, {5, -1}, {1 << 20, 1 << 20}})
        EXPECT_FALSE(bitmap.CreateCompatibleBitmap(dc, w, h)) << w << " x " << h;
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

// The form pictures are captured in: 24 bits, bottom-up, every line.
TEST(DrawingDeviceState, GetDIBitsWritesPaddedRowsBottomUp) {
    Canvas c(3, 2);
    c.dc.FillSolidRect({0, 0, 3, 1}, RGB(1, 2, 3)); // top line
    c.dc.FillSolidRect({2, 1, 3, 2}, RGB(7, 8, 9)); // bottom right
    std::vector<std::uint8_t> info(kInfoHeaderSize);
    BITMAPINFOHEADER h;
    h.biWidth = 3, h.biHeight = 2, h.biBitCount = 24;
    WriteInfoHeader(info.data(), h);
    std::vector<std::uint8_t> bits(2 * 12, 0xEE);
    ASSERT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, bits, info, DIB_RGB_COLORS), 2);
    const std::vector<std::uint8_t> expected = {
        0, 0, 0, 0, 0, 0, 9, 8, 7, 0, 0, 0, // bottom line first, padding cleared
        3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0};
    EXPECT_EQ(bits, expected);
    // Refused: too small a buffer.
    EXPECT_EQ(c.dc.GetDIBits(c.bitmap, 0, 2, std::span(bits).first(23), info, 0), 0);
}
