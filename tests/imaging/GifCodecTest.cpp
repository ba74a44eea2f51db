// The GIF reader and writer on pictures and code streams made in the test: the writer's
// exact output for the smallest picture, low depths and interlacing (read back by giflib
// and by the reader), the reader's version checks and truncation, and code streams that
// are unusual (a full table without a clear code, strings across rows and passes),
// damaged or declaring images larger than their bytes could encode. Screens larger than the image
// and files of several images are in the corpus test.
#include "BmpBuilder.h"
#include "GifReference.h"
#include "imaging/PxGif.h"

#include <algorithm>
#include <cstring>

namespace {

// Offsets in what the writer writes: the image descriptor's flags and the code size byte.
constexpr std::size_t imageFlagsAt = 13 + 768 + 9;
constexpr std::size_t codeSizeAt = imageFlagsAt + 1;

GifIndexed Pattern(int width, int height, unsigned colors) {
    GifIndexed p{width, height, {}, {}};
    for (int i = 0; i < width * height; ++i)
        p.indices.push_back(std::uint8_t((i % width + i / width * 3) % colors));
    return p;
}

// A GIF with a 2-colour table whose image data are the given codes, each written with the
// code size that a decoder's table growth gives it at that point.
std::vector<std::uint8_t> HandMadeGif(int w, int h, bool interlaced, unsigned minSize,
                                      const std::vector<unsigned>& codes) {
    std::vector<std::uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0, 0,
                                   0,   255, 255, 255, ',', 0,   0, 0, 0, 0, 0,    0, 0, 0, 0};
    PutLe16(&f[6], std::uint16_t(w)), PutLe16(&f[8], std::uint16_t(h));
    PutLe16(&f[24], std::uint16_t(w)), PutLe16(&f[26], std::uint16_t(h));
    f[28] = interlaced ? 0x40 : 0, f[29] = std::uint8_t(minSize);
    std::vector<std::uint8_t> data;
    std::uint64_t bits = 0;
    // next is the clear code + 1 while the first code after a clear (which adds no
    // string) is still to come.
    const unsigned clear = 1u << minSize;
    unsigned count = 0, size = minSize + 1, next = clear + 1;
    for (unsigned code : codes) {
        bits |= std::uint64_t(code) << count;
        for (count += size; count >= 8; count -= 8, bits >>= 8)
            data.push_back(std::uint8_t(bits));
        if (code == clear)
            size = minSize + 1, next = clear + 1;
        else if (next == clear + 1)
            next = clear + 2;
        else if (next < 4096 && ++next > (1u << size) - 1 && size < 12)
            ++size;
    }
    data.push_back(std::uint8_t(bits));
    for (std::size_t i = 0; i < data.size(); i += 255) {
        f.push_back(std::uint8_t(std::min<std::size_t>(255, data.size() - i)));
        f.insert(f.end(), data.begin() + i, data.begin() + std::min(i + 255, data.size()));
    }
    f.insert(f.end(), {0, ';'});
    return f;
}

} // namespace

// 1- and 4-bit pictures go out with code size 8 and their own values; every interlaced
// height places each row exactly once; a single pixel is a clear code, the pixel and the
// end code.
TEST(GifWriter, WrittenPicturesReadAlikeInGiflibAndTheReader) {
    const struct {
        unsigned bits;
        int width, height;
        bool interlaced;
    } cases[] = {{1, 13, 5, false}, {4, 13, 5, false}, {8, 1, 1, false},
                 {8, 3, 1, true},   {8, 3, 2, true},   {8, 3, 3, true},
                 {8, 3, 4, true},   {8, 3, 5, true},   {8, 3, 9, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, height " << c.height);
        const GifIndexed picture = Pattern(c.width, c.height, 1u << c.bits);
        PxGif image, reread;
        MakeImage(picture, c.bits, image);
        image.SetInterlaced(c.interlaced);
        const std::vector<std::uint8_t> file = SaveToBytes(image);
        EXPECT_EQ(file[codeSizeAt], 8);
        EXPECT_EQ(file[imageFlagsAt], c.interlaced ? 0x40 : 0);
        if (c.width * c.height == 1) { // 9-bit codes 256, 0, 257, least significant bit first
            EXPECT_EQ(std::vector(file.begin() + codeSizeAt + 1, file.end()),
                      (std::vector<std::uint8_t>{4, 0x00, 0x01, 0x04, 0x04, 0, ';'}));
        }
        GifIndexed decoded;
        ASSERT_TRUE(GiflibDecodeFirst(file, decoded));
        EXPECT_EQ(decoded.indices, picture.indices);
        ASSERT_EQ(LoadBytes(reread, file), 1);
        EXPECT_EQ(reread.IsInterlaced(), c.interlaced);
        EXPECT_EQ(IndicesOf(reread).indices, picture.indices);
    }
}

// Only versions 87a and 89a are read; a file that ends before its image data fails, one
// cut inside them loads (what such a load holds is checked with the code streams below).
TEST(GifReader, ChecksTheVersionAndReadsTruncatedImageData) {
    PxGif image;
    MakeImage(Pattern(20, 20, 200), 8, image);
    const std::vector<std::uint8_t> file = SaveToBytes(image);
    const std::pair<const char*, bool> versions[] = {
        {"GIF87a", true},  {"GIF89a", true},  {"GIF89A", true},  {"GIF87A", true},
        {"GIF88a", false}, {"GIF89b", false}, {"GIF99a", false}, {"GIX89a", false}};
    for (const auto& [version, valid] : versions) {
        std::vector<std::uint8_t> patched = file;
        std::memcpy(patched.data(), version, 6);
        PxGif reread;
        EXPECT_EQ(LoadBytes(reread, patched), valid) << version;
        EXPECT_EQ(reread.IsGif87a(), valid && version[4] == '7') << version;
    }
    for (std::size_t length = 0; length < file.size(); ++length) {
        PxGif cut;
        EXPECT_EQ(LoadBytes(cut, {file.begin(), file.begin() + length}), length > codeSizeAt)
            << length;
    }
}

TEST(GifDecoder, CodeStreamsDecodeAsFarAsTheyAreSound) {
    // Pixel codes only, never a clear: the table is full after 3839 codes and the rest of
    // the picture follows as 12-bit codes (a deferred clear).
    std::vector<unsigned> literals = {256};
    std::vector<std::uint8_t> literalPixels;
    for (unsigned i = 0; i < 100 * 50; ++i)
        literals.push_back(i * 7 % 256), literalPixels.push_back(std::uint8_t(i * 7));
    // Each code the string being defined: 1, 2, 3 ... ones, across rows and passes.
    const std::vector<unsigned> runs = {4, 1, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const struct {
        unsigned width, height, interlaced, minSize;
        std::vector<unsigned> codes;
        std::vector<std::uint8_t> start; // the decoded pixels; all others stay 0
        int loads = 1;                   // damaged data never fails a load
    } cases[] = {
        {100, 50, false, 8, literals, literalPixels},
        {7, 9, true, 2, runs, std::vector<std::uint8_t>(63, 1)},
        {4, 3, false, 2, {4, 3, 7}, {3}},                      // a code above the next free one
        {4, 3, false, 2, {4, 6}, {}},                          // a string before any exists
        {4, 3, false, 2, {4, 1, 2, 6, 6}, {1, 2, 1, 2, 1, 2}}, // no end code
        {4, 3, false, 9, {512, 3}, {}},                        // a code size no GIF has
        // A short file declaring a huge image is refused before its pixels are allocated;
        // one of a size its bytes could still encode loads.
        {32000, 32000, false, 2, {4, 1, 5}, {}, 0},
        {65535, 65535, false, 2, {4, 1, 5}, {}, 0},
        {1000, 1000, false, 2, {4, 1, 5}, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        const auto file = HandMadeGif(c.width, c.height, c.interlaced, c.minSize, c.codes);
        PxGif image;
        ASSERT_EQ(LoadBytes(image, file), c.loads);
        std::vector<std::uint8_t> expected = c.start;
        expected.resize(c.loads ? c.width * c.height : 0, 0);
        EXPECT_EQ(image.HasImage() ? IndicesOf(image).indices : std::vector<std::uint8_t>{},
                  expected);
    }
}
