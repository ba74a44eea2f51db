// The BMP format: round trips, the written layout, the header forms that are converted
// (core and longer headers), and the reader's refusal of damaged files.
#include "imaging/PxDib.h"
#include "BmpBuilder.h"
#include "platform/DibFormat.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<std::uint8_t> Written(PxImage& image) {
    CMemFile out;
    EXPECT_EQ(image.SaveToFile(out), 1);
    return {out.Data().begin(), out.Data().end()};
}

int LoadBytes(PxImage& image, const std::vector<std::uint8_t>& bytes) {
    CMemFile in;
    FillMemFile(in, bytes);
    int result = image.LoadFromFile(in);
    image.ReleaseFile();
    return result;
}

// Pixels drawn at 1:1, top line first.
std::vector<std::uint32_t> Draw(PxImage& image) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(dc, w, h));
    dc.SelectObject(&bitmap);
    EXPECT_EQ(image.StretchToDC(dc, {0, 0, w, h}, {0, 0, w, h}), h);
    dc.SelectObject(nullptr);
    return {bitmap.Pixels(), bitmap.Pixels() + std::size_t(w) * h};
}

BmpBuilder Plain(std::uint16_t bits, std::int32_t width, std::int32_t height) {
    BmpBuilder b;
    b.bits = bits;
    b.width = width;
    b.height = height;
    if (bits <= 8)
        for (std::uint32_t i = 0; i < (1u << bits); ++i)
            b.colors.push_back(i * 0x010203u & 0xFFFFFF);
    b.pixels.resize(DibRowBytes(bits, width) * std::abs(height));
    for (std::size_t i = 0; i < b.pixels.size(); ++i)
        b.pixels[i] = static_cast<std::uint8_t>(i * 37 + 11);
    // Padding bytes are written as zeros, so the input holds zeros there too.
    const std::size_t pitch = DibRowBytes(bits, width);
    const std::size_t used = (std::size_t(bits) * width + 7) / 8;
    for (std::size_t row = 0; row < std::size_t(std::abs(height)); ++row)
        std::memset(b.pixels.data() + row * pitch + used, 0, pitch - used);
    return b;
}

} // namespace

TEST(PxDibFormat, RoundTripsKeepEveryByteAtEachDepth) {
    for (std::uint16_t bits : {1, 4, 8, 24}) {
        for (std::int32_t width : {1, 3, 8, 13}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            std::vector<std::uint8_t> file = Plain(bits, width, 5).Build();
            PxDib image;
            ASSERT_EQ(LoadBytes(image, file), 1);
            EXPECT_EQ(image.GetImageBits(), bits);
            EXPECT_EQ(image.GetWidth(), static_cast<std::uint32_t>(width));
            EXPECT_EQ(image.GetHeight(), 5u);
            EXPECT_EQ(image.GetColorCount(), bits == 24 ? 0 : 1u << bits);
            EXPECT_TRUE(image.IsRowsPadded());
            EXPECT_EQ(Written(image), file);
        }
    }
}

TEST(PxDibFormat, WrittenLayoutFollowsTheDepth) {
    // 24 bits: no colour table, pixel data at 54.
    PxDib rgb;
    ASSERT_EQ(LoadBytes(rgb, Plain(24, 2, 2).Build()), 1);
    std::vector<std::uint8_t> out = Written(rgb);
    EXPECT_EQ(GetLeU32(out.data() + 10), 54u);
    EXPECT_EQ(out.size(), 54u + 2 * 8);

    // 8 bits declaring 20 colours: written with all 256, biClrUsed kept.
    BmpBuilder few = Plain(8, 4, 1);
    few.colors.resize(20);
    few.colorsUsed = 20;
    PxDib eight;
    ASSERT_EQ(LoadBytes(eight, few.Build()), 1);
    out = Written(eight);
    EXPECT_EQ(GetLeU32(out.data() + 10), 14u + 40 + 256 * 4);
    EXPECT_EQ(GetLeU32(out.data() + 14 + 32), 20u);
    ASSERT_NE(eight.GetPalette(), nullptr);
    EXPECT_EQ(eight.GetPalette()->GetEntryCount(), 256u);

    // 1 bit, 3 pixels wide: 4-byte rows.
    PxDib mono;
    ASSERT_EQ(LoadBytes(mono, Plain(1, 3, 7).Build()), 1);
    out = Written(mono);
    EXPECT_EQ(out.size(), 14u + 40 + 8 + 4 * 7);
    EXPECT_EQ(GetLeU32(out.data() + 2), out.size());
    EXPECT_EQ(GetLeU32(out.data() + 14 + 20), 0u); // biSizeImage
}

TEST(PxDibFormat, CoreHeaderIsConvertedToTheInfoHeaderForm) {
    BmpBuilder core;
    core.headerSize = 12;
    core.bits = 8;
    core.width = 2;
    core.height = 1;
    core.colors = {0x112233, 0xAABBCC};
    core.pixels = {1, 0, 0, 0};
    PxDib image;
    ASSERT_EQ(LoadBytes(image, core.Build()), 1);
    BITMAPINFOHEADER h = ReadInfoHeader(image.GetHeader().data());
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 2);
    EXPECT_EQ(h.biClrUsed, 2u); // the table before the pixel data holds only two
    EXPECT_EQ(Draw(image), (std::vector<std::uint32_t>{0xAABBCC, 0x112233}));
    std::vector<std::uint8_t> out = Written(image);
    EXPECT_EQ(GetLeU32(out.data() + 14), 40u);
    PxDib reread;
    ASSERT_EQ(LoadBytes(reread, out), 1);
    EXPECT_EQ(Draw(reread), Draw(image));
}

TEST(PxDibFormat, LongerHeadersAndBitFieldsKeepTheirColours) {
    // A version-5 header: the colour table follows its 124 bytes.
    BmpBuilder v5 = Plain(4, 3, 1);
    v5.headerSize = 124;
    v5.colors = {0x000000, 0xFF8000};
    v5.colorsUsed = 2;
    v5.pixels = {0x10, 0x10, 0, 0};
    PxDib image;
    ASSERT_EQ(LoadBytes(image, v5.Build()), 1);
    EXPECT_EQ(Draw(image), (std::vector<std::uint32_t>{0xFF8000, 0, 0xFF8000}));

    // 16-bit 5-6-5 bit fields, written with their masks and read back alike.
    BmpBuilder fields;
    fields.bits = 16;
    fields.width = 2;
    fields.height = -1; // top-down
    fields.compression = BI_BITFIELDS;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = {0x1F, 0x00, 0x00, 0xF8};
    PxDib rgb16;
    ASSERT_EQ(LoadBytes(rgb16, fields.Build()), 1);
    EXPECT_EQ(Draw(rgb16), (std::vector<std::uint32_t>{0x0000FF, 0xFF0000}));
    std::vector<std::uint8_t> out = Written(rgb16);
    EXPECT_EQ(GetLeU32(out.data() + 10), 14u + 40 + 12);
    EXPECT_EQ(GetLe32(out.data() + 14 + 8), -1); // still top-down
    PxDib reread;
    ASSERT_EQ(LoadBytes(reread, out), 1);
    EXPECT_EQ(Draw(reread), Draw(rgb16));
    EXPECT_EQ(rgb16.GetPalette(), nullptr); // no colours, no palette
}

TEST(PxDibFormat, RleDataKeepsItsWholeStreamAndRowsToSpare) {
    BmpBuilder rle;
    rle.bits = 8;
    rle.width = 6;
    rle.height = 4;
    rle.compression = BI_RLE8;
    rle.colors = {0, 0xFFFFFF};
    rle.colorsUsed = 2;
    rle.pixels = {6, 1, 0, 1}; // bottom line white, then end of bitmap
    rle.sizeImage = 4;
    std::vector<std::uint8_t> file = rle.Build();
    file.push_back(0x77); // beyond biSizeImage: not part of the stream
    PxDib image;
    ASSERT_EQ(LoadBytes(image, file), 1);
    EXPECT_GE(image.GetBits().size(), 8u * 4); // the uncompressed rows fit
    std::vector<std::uint32_t> drawn = Draw(image);
    EXPECT_EQ(drawn[3 * 6], 0xFFFFFFu);
    EXPECT_EQ(drawn[0], 0u);
    std::vector<std::uint8_t> out = Written(image);
    EXPECT_EQ(GetLeU32(out.data() + 14 + 16), BI_RLE8);
    EXPECT_EQ(GetLeU32(out.data() + 14 + 20), image.GetBits().size());
    PxDib reread;
    ASSERT_EQ(LoadBytes(reread, out), 1);
    EXPECT_EQ(Draw(reread), drawn);
}

TEST(PxDibFormat, TruncatedPixelDataReadsAsZeros) {
    BmpBuilder b = Plain(24, 3, 4);
    std::vector<std::uint8_t> file = b.Build();
    file.resize(file.size() - 20);
    PxDib image;
    ASSERT_EQ(LoadBytes(image, file), 1);
    ASSERT_EQ(image.GetBits().size(), 4u * 12);
    EXPECT_TRUE(std::equal(b.pixels.begin(), b.pixels.begin() + 28, image.GetBits().begin()));
    for (std::size_t i = 28; i < 48; ++i)
        EXPECT_EQ(image.GetBits()[i], 0) << i;
}

TEST(PxDibFormat, ImplausibleHeadersAreRefused) {
    struct Case {
        const char* what;
        void (*damage)(BmpBuilder&);
    };
    const Case cases[] = {
        {"header size 66", [](BmpBuilder& b) { b.headerSize = 66; }},
        {"header size 0", [](BmpBuilder& b) { b.headerSize = 0; }},
        {"width 0", [](BmpBuilder& b) { b.width = 0; }},
        {"negative width", [](BmpBuilder& b) { b.width = -4; }},
        {"height 0", [](BmpBuilder& b) { b.height = 0; }},
        {"height -2^31", [](BmpBuilder& b) { b.height = INT32_MIN; }},
        {"planes 0", [](BmpBuilder& b) { b.planes = 0; }},
        {"planes 3", [](BmpBuilder& b) { b.planes = 3; }},
        {"depth 0", [](BmpBuilder& b) { b.bits = 0; }},
        {"depth 7", [](BmpBuilder& b) { b.bits = 7; }},
        {"depth 64", [](BmpBuilder& b) { b.bits = 64; }},
        {"RLE4 on 8 bits", [](BmpBuilder& b) { b.compression = BI_RLE4; }},
        {"RLE8 top-down", [](BmpBuilder& b) { b.compression = BI_RLE8, b.height = -2; }},
        {"bit fields on 8 bits", [](BmpBuilder& b) { b.compression = BI_BITFIELDS; }},
        {"JPEG inside", [](BmpBuilder& b) { b.compression = 4; }},
        {"offset inside the headers", [](BmpBuilder& b) { b.offsetAdjust = -1030; }},
        {"offset at the end", [](BmpBuilder& b) { b.offsetAdjust = 8; }},
        {"offset past the end", [](BmpBuilder& b) { b.offsetAdjust = 1 << 30; }},
        {"side over 2^24", [](BmpBuilder& b) { b.width = (1 << 24) + 1, b.height = 1; }},
        {"rows over 1 GiB", [](BmpBuilder& b) { b.width = 1 << 16, b.height = 1 << 15; }},
    };
    PxDib good;
    ASSERT_EQ(LoadBytes(good, Plain(8, 4, 2).Build()), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BmpBuilder b = Plain(8, 4, 2);
        c.damage(b);
        PxDib image;
        EXPECT_EQ(LoadBytes(image, b.Build()), 0);
        EXPECT_FALSE(image.HasImage());
    }
    std::vector<std::uint8_t> notBmp = Plain(8, 4, 2).Build();
    notBmp[0] = 'b';
    PxDib image;
    EXPECT_EQ(LoadBytes(image, notBmp), 0);
    EXPECT_EQ(LoadBytes(image, {}), 0);
    EXPECT_EQ(LoadBytes(image, {'B', 'M', 0, 0}), 0);
    // Every cut of a valid file fails or loads, never reads past what is there.
    std::vector<std::uint8_t> whole = Plain(4, 5, 3).Build();
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        PxDib part;
        LoadBytes(part, std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut));
    }
}

TEST(PxDibFormat, ColoursMissingBeforeThePixelDataAreBlack) {
    BmpBuilder b = Plain(8, 2, 1);
    b.colors = {0x123456, 0x654321};
    b.pixels = {0, 1, 2, 0}; // index 2 has no entry in the file
    PxDib image;
    ASSERT_EQ(LoadBytes(image, b.Build()), 1);
    std::vector<std::uint32_t> drawn = Draw(image);
    EXPECT_EQ(drawn, (std::vector<std::uint32_t>{0x123456, 0x654321}));
    // biClrUsed beyond what the depth allows is held to it.
    BmpBuilder many = Plain(1, 8, 1);
    many.colorsUsed = 5000;
    ASSERT_EQ(LoadBytes(image, many.Build()), 1);
    EXPECT_EQ(ReadInfoHeader(image.GetHeader().data()).biClrUsed, 2u);
    ASSERT_NE(image.GetPalette(), nullptr);
    EXPECT_EQ(image.GetPalette()->GetEntryCount(), 2u);
}

TEST(PxDibFormat, ReadsAtTheFilesPositionAndStopsAfterThePixels) {
    std::vector<std::uint8_t> bmp = Plain(24, 2, 2).Build();
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    bytes.push_back(0xEE);
    CMemFile file;
    FillMemFile(file, bytes);
    file.Seek(3, CFile::begin);
    PxDib image;
    ASSERT_EQ(image.LoadFromFile(file), 1);
    EXPECT_EQ(file.GetPosition(), static_cast<std::int64_t>(3 + bmp.size()));
    EXPECT_EQ(image.GetWidth(), 2u);
}
