// The BMP format: round trips, the written layout, the header forms that are converted
// (core and longer headers), and the reader's refusal and mending of damaged files.
#include "imaging/PxDib.h"
#include "BmpBuilder.h"
#include "platform/DibFormat.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A full colour table and varied pixels; row padding holds zeros, as the writer writes it.
BmpBuilder Plain(std::uint16_t bits, std::int32_t width, std::int32_t height) {
    BmpBuilder b{.width = width, .height = height, .bits = bits};
    for (std::uint32_t i = 0; bits <= 8 && i < (1u << bits); ++i)
        b.colors.push_back(i * 0x010203u & 0xFFFFFF);
    const std::size_t pitch = DibRowBytes(bits, width), used = (bits * width + 7) / 8;
    b.pixels.resize(pitch * std::abs(height));
    for (std::size_t i = 0; i < b.pixels.size(); ++i)
        b.pixels[i] = i % pitch < used ? static_cast<std::uint8_t>(i * 37 + 11) : 0;
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
            EXPECT_EQ(image.GetWidth(), unsigned(width));
            EXPECT_EQ(image.GetHeight(), 5u);
            EXPECT_EQ(image.GetColorCount(), bits == 24 ? 0 : 1u << bits);
            EXPECT_EQ(SaveToBytes(image), file);
        }
    }
}

TEST(PxDibFormat, AShortColourTableIsWrittenInFullWithColoursUsedKept) {
    BmpBuilder few = Plain(8, 4, 1);
    few.colors.resize(20);
    few.colorsUsed = 20;
    PxDib eight;
    ASSERT_EQ(LoadBytes(eight, few.Build()), 1);
    std::vector<std::uint8_t> out = SaveToBytes(eight);
    EXPECT_EQ(GetLeU32(out.data() + 10), 14u + 40 + 256 * 4);
    EXPECT_EQ(GetLeU32(out.data() + 14 + 32), 20u);
}

TEST(PxDibFormat, CoreHeaderIsConvertedToTheInfoHeaderForm) {
    BmpBuilder core{.headerSize = 12, .width = 2, .height = 1, .bits = 8};
    core.colors = {0x112233, 0xAABBCC};
    core.pixels = {1, 0, 0, 0};
    PxDib image, reread;
    ASSERT_EQ(LoadBytes(image, core.Build()), 1);
    BITMAPINFOHEADER h = ReadInfoHeader(image.GetHeader().data());
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biClrUsed, 2u); // the table before the pixel data holds only two
    EXPECT_EQ(Render(image), (std::vector<std::uint32_t>{0xAABBCC, 0x112233}));
    ASSERT_EQ(LoadBytes(reread, SaveToBytes(image)), 1);
    EXPECT_EQ(ReadInfoHeader(reread.GetHeader().data()).biSize, 40u);
    EXPECT_EQ(Render(reread), Render(image));
}

TEST(PxDibFormat, LongerHeadersAndBitFieldsKeepTheirColours) {
    // A version-5 header: the colour table follows its 124 bytes.
    BmpBuilder v5{.headerSize = 124, .width = 3, .height = 1, .bits = 4, .colorsUsed = 2};
    v5.colors = {0x000000, 0xFF8000};
    v5.pixels = {0x10, 0x10, 0, 0};
    PxDib image;
    ASSERT_EQ(LoadBytes(image, v5.Build()), 1);
    EXPECT_EQ(Render(image), (std::vector<std::uint32_t>{0xFF8000, 0, 0xFF8000}));

    // 16-bit 5-6-5 bit fields, top-down, written with their masks and read back alike.
    BmpBuilder fields{.width = 2, .height = -1, .bits = 16, .compression = BI_BITFIELDS};
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = {0x1F, 0x00, 0x00, 0xF8};
    PxDib rgb16, reread;
    ASSERT_EQ(LoadBytes(rgb16, fields.Build()), 1);
    EXPECT_EQ(Render(rgb16), (std::vector<std::uint32_t>{0x0000FF, 0xFF0000}));
    ASSERT_EQ(LoadBytes(reread, SaveToBytes(rgb16)), 1);
    EXPECT_EQ(Render(reread), Render(rgb16));
}

TEST(PxDibFormat, RleDataKeepsItsWholeStreamAndRowsToSpare) {
    BmpBuilder rle{.width = 6, .height = 4, .compression = BI_RLE8, .sizeImage = 4};
    rle.colors = {0, 0xFFFFFF};
    rle.pixels = {6, 1, 0, 1}; // bottom line white, then end of bitmap
    std::vector<std::uint8_t> file = rle.Build();
    file.push_back(0x77); // beyond biSizeImage: not part of the stream
    PxDib image, reread;
    ASSERT_EQ(LoadBytes(image, file), 1);
    EXPECT_GE(image.GetBits().size(), 8u * 4); // the uncompressed rows fit
    std::vector<std::uint32_t> drawn = Render(image);
    std::vector<std::uint32_t> expected(6 * 4, 0);
    std::fill(expected.begin() + 18, expected.end(), 0xFFFFFF);
    EXPECT_EQ(drawn, expected);
    std::vector<std::uint8_t> out = SaveToBytes(image);
    EXPECT_EQ(GetLeU32(out.data() + 14 + 20), image.GetBits().size());
    ASSERT_EQ(LoadBytes(reread, out), 1);
    EXPECT_EQ(Render(reread), drawn);
}

TEST(PxDibFormat, TruncatedPixelDataReadsAsZeros) {
    BmpBuilder b = Plain(24, 3, 4);
    std::vector<std::uint8_t> file = b.Build();
    file.resize(file.size() - 20);
    PxDib image;
    ASSERT_EQ(LoadBytes(image, file), 1);
    std::fill(b.pixels.begin() + 28, b.pixels.end(), 0);
    EXPECT_TRUE(std::ranges::equal(image.GetBits(), b.pixels));
}

TEST(PxDibFormat, ImplausibleHeadersAreRefused) {
    const struct {
        const char* what;
        void (*damage)(BmpBuilder&);
    } cases[] = {
        {"header size 66", [](BmpBuilder& b) { b.headerSize = 66; }},
        {"width 0", [](BmpBuilder& b) { b.width = 0; }},
        {"negative width", [](BmpBuilder& b) { b.width = -4; }},
        {"height 0", [](BmpBuilder& b) { b.height = 0; }},
        {"height -2^31", [](BmpBuilder& b) { b.height = INT32_MIN; }},
        {"planes 3", [](BmpBuilder& b) { b.planes = 3; }},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BmpBuilder b = Plain(8, 4, 2);
        c.damage(b);
        PxDib image;
        EXPECT_EQ(LoadBytes(image, b.Build()), 0);
        EXPECT_FALSE(image.HasImage());
    }
    // Cut anywhere, a file loads only when its pixel data has begun (offset 118).
    std::vector<std::uint8_t> whole = Plain(4, 5, 3).Build();
    PxDib part;
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_EQ(LoadBytes(part, {whole.begin(), whole.begin() + cut}), cut > 118 ? 1 : 0);
    whole[0] = 'b';
    EXPECT_EQ(LoadBytes(part, whole), 0);
}

TEST(PxDibFormat, ColoursMissingBeforeThePixelDataAreBlack) {
    BmpBuilder b = Plain(8, 3, 1);
    b.colors = {0x123456, 0x654321};
    b.pixels = {2, 1, 0, 0}; // index 2 has no entry in the file
    PxDib image;
    ASSERT_EQ(LoadBytes(image, b.Build()), 1);
    EXPECT_EQ(Render(image), (std::vector<std::uint32_t>{0, 0x654321, 0x123456}));
    // biClrUsed beyond what the depth allows is held to it.
    BmpBuilder many = Plain(1, 8, 1);
    many.colorsUsed = 5000;
    ASSERT_EQ(LoadBytes(image, many.Build()), 1);
    EXPECT_EQ(ReadInfoHeader(image.GetHeader().data()).biClrUsed, 2u);
    ASSERT_NE(image.GetPalette(), nullptr);
    EXPECT_EQ(image.GetPalette()->GetEntryCount(), 2u);
}
