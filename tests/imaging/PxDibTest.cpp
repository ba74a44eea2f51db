// The BMP reader's refusal of implausible headers. Reading and writing every form is
// checked against the corpus and the reference reading in BmpCorpusTest.
#include "imaging/PxDib.h"
#include "BmpBuilder.h"
#include "platform/DibFormat.h"

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
