// Every BMP of the shared corpus: the files the manifest calls valid load with the size
// and depth it lists, draw at 1:1 in both stretch modes the same pixels as an independent
// reading, and are written so that the independent reading sees the same picture. The
// damaged ones load or fail without a sanitizer finding and draw inside their blocks.
#include "BmpBuilder.h"
#include "ReferenceImages.h"
#include "imaging/PxDib.h"

#include <string>
#include <vector>

namespace {

// The pixels that differ, so that one failure does not print thousands of lines.
int Differences(const std::vector<std::uint32_t>& drawn, const RgbPicture& reference) {
    if (drawn.size() != reference.pixels.size())
        return -1;
    int differing = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        differing += drawn[i] != reference.pixels[i];
    return differing;
}

} // namespace

TEST(BmpCorpus, ValidFilesDrawLikeAnIndependentReading) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    CTempDir temp;
    int checked = 0;
    for (const auto& row : ManifestRows(dir, "BMP")) {
        if (row[6].starts_with("CORRUPT"))
            continue;
        const std::string path = dir + row[0];
        SCOPED_TRACE(path);
        RgbPicture reference, written;
        ASSERT_TRUE(ReferenceDecodeBmp(ReadFileBytes(path), reference));
        PxDib image;
        ASSERT_EQ(image.LoadFromPath(path), 1);
        const int w = std::stoi(row[2]), h = std::stoi(row[3]);
        EXPECT_EQ(image.GetWidth(), unsigned(w));
        EXPECT_EQ(image.GetHeight(), unsigned(h));
        EXPECT_EQ(image.GetImageBits(), std::stoul(row[4]));
        EXPECT_EQ(Differences(Render(image), reference), 0);
        EXPECT_EQ(Differences(Render(image, w, h, COLORONCOLOR), reference), 0);
        ASSERT_EQ(image.SaveToPath(temp.File("copy.bmp")), 1);
        ASSERT_TRUE(ReferenceDecodeBmp(ReadFileBytes(temp.File("copy.bmp")), written));
        EXPECT_EQ(written.pixels, reference.pixels);
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

// The same picture in another form checks the independent reading itself, so that a
// fault shared by both BMP readings cannot hide: TIFF twins of the corpus as libtiff reads
// them, and the one picture that the suite files store in many forms.
TEST(BmpCorpus, EveryFormDrawsWhatItsTwinHolds) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const char* tiffTwins[][2] = {
        {"bmp/rgb-3c-8b-os2.bmp", "tiff/rgb-3c-8b.tiff"},
        {"photos/ladybird-640x480-24.bmp", "photos/ladybird-640x480-rgb.tiff"},
        {"photos/friends-480x640-24.bmp", "photos/friends-480x640-rgb.tiff"},
    };
    for (const auto& twin : tiffTwins) {
        SCOPED_TRACE(twin[0]);
        RgbPicture tiff;
        ASSERT_TRUE(LibtiffDecode(dir + twin[1], tiff));
        PxDib image;
        ASSERT_EQ(image.LoadFromPath(dir + twin[0]), 1);
        EXPECT_EQ(Differences(Render(image), tiff), 0);
    }
    // (The suite's 32-bit picture with alpha holds other colours and is left out.)
    const char* bmpTwins[][2] = {
        {"pal8", "pal8rle"}, {"pal8", "pal8os2"}, {"pal8", "pal8v5"},   {"pal8", "pal8topdown"},
        {"pal4", "pal4rle"}, {"rgb24", "rgb32"},  {"rgb24", "rgb32bf"},
    };
    for (const auto& twin : bmpTwins) {
        SCOPED_TRACE(twin[1]);
        PxDib plain, form;
        ASSERT_EQ(plain.LoadFromPath(dir + "bmp/bmpsuite-" + twin[0] + ".bmp"), 1);
        ASSERT_EQ(form.LoadFromPath(dir + "bmp/bmpsuite-" + twin[1] + ".bmp"), 1);
        EXPECT_EQ(Render(form), Render(plain));
    }
}

TEST(BmpCorpus, DamagedFilesFailOrDrawCleanly) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    int damaged = 0;
    for (const auto& row : ManifestRows(dir, "BMP")) {
        if (!row[6].starts_with("CORRUPT"))
            continue;
        SCOPED_TRACE(row[0]);
        ++damaged;
        PxDib image;
        if (image.LoadFromPath(dir + row[0]) != 1) {
            EXPECT_FALSE(image.HasImage());
            continue;
        }
        // Whatever loaded holds at least the rows its header declares.
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        EXPECT_GE(image.GetBits().size(), PxImage::PaddedRowBytes(image.GetImageBits(), w) * h);
        Render(image, w / 3 + 1, h * 2, COLORONCOLOR);
        Render(image, w * 2, h / 3 + 1, HALFTONE);
    }
    EXPECT_EQ(damaged, 3);
    PxDib bad; // a header size that no BMP has is refused outright
    EXPECT_EQ(bad.LoadFromPath(dir + "bmp/bmpsuite-badheadersize.bmp"), 0);
}
