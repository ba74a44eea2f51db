// Every BMP of the shared corpus: the files the manifest calls valid load with the size
// and depth it lists, draw (at 1:1 in both stretch modes, and halved with averaging) the
// same pixels as an independent reading, and survive a write and a reread unchanged. The
// damaged ones load or fail without a sanitizer finding and draw inside their blocks.
#include "ReferenceImages.h"
#include "imaging/PxDib.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ManifestBmp {
    std::string path;
    int width = 0;
    int height = 0;
    unsigned bits = 0;
    bool damaged = false;
};

std::vector<ManifestBmp> ReadManifestBmps(const std::string& dir) {
    std::vector<ManifestBmp> rows;
    std::ifstream in(dir + "manifest.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream split(line);
        for (std::string cell; std::getline(split, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() < 7 || cells[1] != "BMP")
            continue;
        ManifestBmp row;
        row.path = cells[0];
        row.width = cells[2].empty() ? 0 : std::stoi(cells[2]);
        row.height = cells[3].empty() ? 0 : std::stoi(cells[3]);
        row.bits = cells[4].empty() ? 0 : static_cast<unsigned>(std::stoi(cells[4]));
        row.damaged = cells[6].find("CORRUPT") != std::string::npos;
        rows.push_back(row);
    }
    return rows;
}

// Draws the whole image onto a w × h bitmap; with mode 0 through StretchToDC (the image's
// own choice of mode), else straight through the device in that mode.
std::vector<std::uint32_t> Render(PxImage& image, int w, int h, int mode = 0) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(dc, w, h));
    dc.SelectObject(&bitmap);
    const int iw = static_cast<int>(image.GetWidth()), ih = static_cast<int>(image.GetHeight());
    int lines;
    if (mode == 0) {
        lines = image.StretchToDC(dc, {0, 0, w, h}, {0, 0, iw, ih});
    } else {
        dc.SetStretchBltMode(mode);
        lines = dc.StretchDIBits(0, 0, w, h, 0, 0, iw, ih, image.GetBits(), image.GetHeader(),
                                 DIB_RGB_COLORS, SRCCOPY);
    }
    EXPECT_EQ(lines, ih);
    dc.SelectObject(nullptr);
    return {bitmap.Pixels(), bitmap.Pixels() + std::size_t(w) * h};
}

// Counts the pixels that differ, so that one failure does not print thousands of lines.
int Differences(const std::vector<std::uint32_t>& drawn, const RgbPicture& reference) {
    int differing = 0;
    for (std::size_t i = 0; i < drawn.size() && i < reference.pixels.size(); ++i)
        differing += drawn[i] != reference.pixels[i];
    return drawn.size() == reference.pixels.size() ? differing : -1;
}

// Area averaging by its definition, in exact integers: each destination pixel is the mean
// of the source area it covers, rounded to nearest with halves up.
RgbPicture AreaAverage(const RgbPicture& p, int dw, int dh) {
    const std::int64_t sw = p.width, sh = p.height;
    RgbPicture out{dw, dh, {}};
    for (std::int64_t y = 0; y < dh; ++y)
        for (std::int64_t x = 0; x < dw; ++x) {
            // In units of 1/dw (1/dh) source pixel: the destination pixel spans
            // [x*sw, (x+1)*sw); source pixel i spans [i*dw, (i+1)*dw).
            std::int64_t sums[3] = {0, 0, 0};
            for (std::int64_t j = y * sh / dh; j * dh < (y + 1) * sh && j < sh; ++j) {
                std::int64_t wy = std::min((j + 1) * dh, (y + 1) * sh) - std::max(j * dh, y * sh);
                for (std::int64_t i = x * sw / dw; i * dw < (x + 1) * sw && i < sw; ++i) {
                    std::int64_t wx =
                        std::min((i + 1) * dw, (x + 1) * sw) - std::max(i * dw, x * sw);
                    for (int c = 0; c < 3; ++c)
                        sums[c] += wx * wy * (p.At(int(i), int(j)) >> (8 * c) & 0xFF);
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 3; ++c)
                pixel |= static_cast<std::uint32_t>((sums[c] + sw * sh / 2) / (sw * sh)) << (8 * c);
            out.pixels.push_back(pixel);
        }
    return out;
}

} // namespace

TEST(BmpCorpus, ValidFilesDrawLikeAnIndependentReading) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    std::vector<ManifestBmp> rows = ReadManifestBmps(dir);
    ASSERT_GE(rows.size(), 20u);
    CTempDir temp;
    int checked = 0;
    for (const ManifestBmp& row : rows) {
        if (row.damaged)
            continue;
        SCOPED_TRACE(row.path);
        RgbPicture reference;
        ASSERT_TRUE(ReferenceDecodeBmp(ReadFileBytes(dir + row.path), reference));
        PxDib image;
        ASSERT_EQ(image.LoadFromPath(dir + row.path), 1);
        EXPECT_EQ(image.GetWidth(), static_cast<std::uint32_t>(row.width));
        EXPECT_EQ(image.GetHeight(), static_cast<std::uint32_t>(row.height));
        EXPECT_EQ(image.GetImageBits(), row.bits);
        EXPECT_TRUE(image.IsHalftone()); // a true-colour screen halftones every picture
        EXPECT_EQ(Differences(Render(image, row.width, row.height), reference), 0);
        EXPECT_EQ(Differences(Render(image, row.width, row.height, COLORONCOLOR), reference), 0);
        RgbPicture half = AreaAverage(reference, (row.width + 1) / 2, (row.height + 1) / 2);
        EXPECT_EQ(Differences(Render(image, half.width, half.height), half), 0);

        // Written and read back, the picture is unchanged.
        const std::string copy = temp.File("copy.bmp");
        ASSERT_EQ(image.SaveToPath(copy), 1);
        PxDib reread;
        ASSERT_EQ(reread.LoadFromPath(copy), 1);
        EXPECT_EQ(Differences(Render(reread, row.width, row.height), reference), 0);
        RgbPicture independent;
        ASSERT_TRUE(ReferenceDecodeBmp(ReadFileBytes(copy), independent));
        EXPECT_EQ(independent.pixels, reference.pixels);
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

// The same picture stored in another format of the corpus checks the reference reading
// itself, so that a fault shared by both BMP readings cannot hide.
TEST(BmpCorpus, BmpsMatchTheirUncompressedTiffTwins) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const char* twins[][2] = {
        {"bmp/rgb-3c-8b-os2.bmp", "tiff/rgb-3c-8b.tiff"},
        {"photos/ladybird-640x480-24.bmp", "photos/ladybird-640x480-rgb.tiff"},
        {"photos/friends-480x640-24.bmp", "photos/friends-480x640-rgb.tiff"},
    };
    for (const auto& twin : twins) {
        SCOPED_TRACE(twin[0]);
        RgbPicture tiff;
        ASSERT_TRUE(ReferenceDecodeTiff(ReadFileBytes(dir + twin[1]), tiff));
        PxDib image;
        ASSERT_EQ(image.LoadFromPath(dir + twin[0]), 1);
        EXPECT_EQ(Differences(Render(image, tiff.width, tiff.height), tiff), 0);
    }
}

// bmpsuite stores one picture in many forms; each form must draw what its plain
// counterpart draws. (Its 32-bit picture with alpha holds other colours and is checked
// against the independent reading only.)
TEST(BmpCorpus, EveryFormOfTheSuitePictureDrawsAlike) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const char* families[][2] = {
        {"bmpsuite-pal8.bmp", "bmpsuite-pal8rle.bmp"},
        {"bmpsuite-pal8.bmp", "bmpsuite-pal8os2.bmp"},
        {"bmpsuite-pal8.bmp", "bmpsuite-pal8v5.bmp"},
        {"bmpsuite-pal8.bmp", "bmpsuite-pal8topdown.bmp"},
        {"bmpsuite-pal4.bmp", "bmpsuite-pal4rle.bmp"},
        {"bmpsuite-rgb24.bmp", "bmpsuite-rgb32.bmp"},
        {"bmpsuite-rgb24.bmp", "bmpsuite-rgb32bf.bmp"},
    };
    for (const auto& pair : families) {
        SCOPED_TRACE(pair[1]);
        PxDib plain, form;
        ASSERT_EQ(plain.LoadFromPath(dir + "bmp/" + pair[0]), 1);
        ASSERT_EQ(form.LoadFromPath(dir + "bmp/" + pair[1]), 1);
        EXPECT_EQ(Render(form, 127, 64), Render(plain, 127, 64));
        EXPECT_EQ(Render(form, 50, 30, COLORONCOLOR), Render(plain, 50, 30, COLORONCOLOR));
    }
}

TEST(BmpCorpus, DamagedFilesFailOrDrawCleanly) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    int damaged = 0;
    for (const ManifestBmp& row : ReadManifestBmps(dir)) {
        if (!row.damaged)
            continue;
        SCOPED_TRACE(row.path);
        ++damaged;
        PxDib image;
        if (image.LoadFromPath(dir + row.path) != 1) {
            EXPECT_FALSE(image.HasImage());
            continue;
        }
        // Whatever loaded holds at least the rows its header declares.
        EXPECT_GE(image.GetBits().size(),
                  PxImage::PaddedRowBytes(image.GetImageBits(), image.GetWidth()) *
                      image.GetHeight());
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        Render(image, w, h);
        Render(image, w / 3 + 1, h * 2, COLORONCOLOR);
        Render(image, w * 2, h / 3 + 1, HALFTONE);
    }
    EXPECT_EQ(damaged, 3);
    // A header size that no BMP has is refused outright.
    PxDib bad;
    EXPECT_EQ(bad.LoadFromPath(dir + "bmp/bmpsuite-badheadersize.bmp"), 0);
}
