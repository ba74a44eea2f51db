// Every GIF of the shared corpus against giflib: the first image reads as giflib reads
// it, the writer's copy reads in giflib as the same picture and is within 5 % of the size
// of giflib's own encoding, and the file giflib refuses still loads. True-colour
// photographs written as GIF keep at least 30 dB PSNR.
#include "BmpBuilder.h"
#include "GifReference.h"
#include "imaging/PxDib.h"
#include "imaging/PxGif.h"

#include <cmath>
#include <filesystem>

TEST(GifCorpus, ReadsAndWritesLikeGiflib) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    std::vector<std::string> paths = {dir + "photos/ladybird-640x480.gif",
                                      dir + "photos/friends-480x640.gif"};
    for (const auto& entry : std::filesystem::directory_iterator(dir + "gif"))
        paths.push_back(entry.path().string());
    std::size_t compared = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        PxGif image;
        ASSERT_EQ(image.LoadFromPath(path), 1); // damaged data never fails a load
        GifIndexed reference;
        if (!GiflibDecodeFirst(ReadFileBytes(path), reference))
            continue; // the truncated file only
        const GifIndexed mine = IndicesOf(image);
        EXPECT_EQ(mine.width * 100000 + mine.height, reference.width * 100000 + reference.height);
        EXPECT_EQ(mine.indices, reference.indices);
        int wrongColors = 0;
        for (std::uint8_t v : mine.indices)
            wrongColors += v < reference.colors.size() && mine.colors[v] != reference.colors[v];
        EXPECT_EQ(wrongColors, 0);

        GifIndexed written;
        ASSERT_TRUE(GiflibDecodeFirst(SaveToBytes(image), written));
        EXPECT_EQ(written.indices, mine.indices);
        EXPECT_EQ(written.colors, mine.colors);
        image.SetInterlaced(false);
        const double size = double(SaveToBytes(image).size()), giflib = GiflibEncode(mine).size();
        EXPECT_LE(std::abs(size - giflib), 0.05 * giflib) << size << " against " << giflib;
        ++compared;
    }
    EXPECT_EQ(compared, paths.size() - 1);
}

TEST(GifCorpus, TrueColourPhotosKeepThirtyDecibels) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    for (const char* name : {"photos/ladybird-640x480-24.bmp", "photos/friends-480x640-24.bmp"}) {
        SCOPED_TRACE(name);
        PxDib photo;
        ASSERT_EQ(photo.LoadFromPath(dir + name), 1);
        PxGif gif;
        ASSERT_EQ(gif.CopyFrom(photo), 1);
        GifIndexed written;
        ASSERT_TRUE(GiflibDecodeFirst(SaveToBytes(gif), written));
        const std::size_t w = photo.GetWidth(), h = photo.GetHeight(),
                          pitch = (w * 3 + 3) & ~std::size_t{3};
        ASSERT_EQ(written.indices.size(), w * h);
        double squares = 0;
        for (std::size_t i = 0; i < w * h * 3; ++i) {
            const std::uint32_t color = written.colors[written.indices[i / 3]] >> i % 3 * 8 & 255;
            squares += std::pow(
                photo.GetBits()[(h - 1 - i / 3 / w) * pitch + i % (w * 3)] - double(color), 2);
        }
        EXPECT_GE(10 * std::log10(255.0 * 255 * 3 * w * h / squares), 30.0);
    }
}
