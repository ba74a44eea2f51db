// Thumbnails (sizes, depth, colours in place), the contrast step's exact values, export to
// the four formats read back by their readers, and previews that leave no temporary file.
#include "imaging/Thumbnail.h"
#include "BmpBuilder.h"
#include "imaging/Contrast.h"
#include "imaging/ImageExport.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PreviewCell.h"
#include "imaging/PxDib.h"
#include "imaging/PxGif.h"

#include <tuple>

namespace {

// A 24-bit BMP in quadrants: red, green above, blue, white below.
const std::uint32_t quadrant[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

std::unique_ptr<PxImage> Quadrants(int w, int h) {
    BmpBuilder b{.width = w, .height = h, .bits = 24};
    const int pitch = (w * 3 + 3) / 4 * 4;
    b.pixels.resize(std::size_t(pitch) * h);
    for (int y = 0; y < h; ++y) // bottom-up rows
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                b.pixels[std::size_t(y) * pitch + x * 3 + c] =
                    std::uint8_t(quadrant[(y < h / 2) * 2 + (x >= w / 2)] >> (8 * c));
    auto dib = std::make_unique<PxDib>();
    EXPECT_EQ(LoadBytes(*dib, b.Build()), 1);
    return dib;
}

// The corners of image drawn at 1:1 match the quadrants within tolerance per channel.
void ExpectQuadrants(PxImage& image, int tolerance) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    const std::vector<std::uint32_t> p = Render(image, w, h, COLORONCOLOR);
    const std::uint32_t got[4] = {p[0], p[w - 1], p[std::size_t(h - 1) * w], p.back()};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 24; c += 8)
            EXPECT_NEAR(int(got[i] >> c & 255), int(quadrant[i] >> c & 255), tolerance) << i;
}

class ThumbnailTest : public CTempDirTest {};

} // namespace

TEST_F(ThumbnailTest, ATrueColourPictureGivesAn8BitGifOfItsReducedPicture) {
    std::unique_ptr<PxImage> photo = Quadrants(640, 480);
    for (bool option : {false, true}) {
        SetForce256Colors(option);
        CMemFile out;
        out.Write("stale", 5); // written from the start
        bool made = false;
        EXPECT_EQ(MakeThumbnail(*photo, imageBmp, out, made) + made, 2);
        EXPECT_EQ(Force256Colors(), option);
        PxGif gif;
        out.SeekToBegin();
        ASSERT_EQ(gif.LoadFromFile(out), 1);
        EXPECT_EQ(std::tuple(gif.GetImageBits(), gif.GetWidth(), gif.GetHeight()),
                  std::tuple(8u, 92u, 69u));
        ExpectQuadrants(gif, 40);
    }
    SetForce256Colors(false);
}

TEST_F(ThumbnailTest, ExportedPicturesReadBackAndSmallOnesKeepTheirSizeOrServeAsTheirOwn) {
    const char* names[] = {"", "s.jpg", "s.bmp", "s.gif", "s.tif"};
    // type, width, height, thumbnail made, colour tolerance of the format
    const int cases[][5] = {{imageBmp, 50, 40, 1, 0},
                            {imageTiff, 50, 40, 1, 0},
                            {imageJpeg, 50, 40, 1, 24},
                            {imageGif, 50, 40, 0, 8},
                            {imageGif, 92, 50, 1, 8}};
    for (const auto& [type, w, h, expected, tolerance] : cases) {
        const std::string path = File(names[type]);
        ASSERT_EQ(ExportAs(*Quadrants(w, h), type, path), 1) << path;
        std::unique_ptr<PxImage> back = CreateImageForType(type);
        ASSERT_EQ(back->LoadFromPath(path), 1) << path;
        ExpectQuadrants(*back, tolerance);
        CMemFile out;
        bool made = !expected;
        EXPECT_EQ(MakeThumbnail(*back, type, out, made) + made, 1 + expected) << path;
        PxGif gif;
        out.SeekToBegin();
        EXPECT_EQ(gif.LoadFromFile(out) + gif.GetWidth() + gif.GetHeight(),
                  expected ? 1u + w + h : 0u);
    }
}

TEST(Contrast, StepsMoveValuesAlongTheCurveKeepingGreysGrey) {
    // A colour table, raised: 191 -> 204, (200, 100, 50) -> (213, 107, 53), 128 stays; the
    // palette follows the table.
    BmpBuilder t{.width = 4, .height = 1, .bits = 8, .colors = {0x808080, 0xBFBFBF, 0xC86432}};
    t.pixels = {0, 1, 2, 0};
    PxDib table;
    ASSERT_EQ(LoadBytes(table, t.Build()), 1);
    AdjustContrast(table, 1);
    const std::uint8_t raised[] = {128, 128, 128, 0, 204, 204, 204, 0, 53, 107, 213, 0};
    EXPECT_TRUE(std::equal(raised, raised + 12, table.GetColorTable().begin()));
    EXPECT_EQ(table.GetPalette()->Entries()[2].peRed, 213);
    // 24-bit pixels, lowered (step 0 lowers): 191 -> 178, (213, 107, 53) -> (200, 101, 50),
    // not back to (200, 100, 50).
    BmpBuilder b{.width = 4, .height = 1, .bits = 24};
    b.pixels = {191, 191, 191, 53, 107, 213, 53, 107, 213, 128, 128, 128};
    PxDib pixels;
    ASSERT_EQ(LoadBytes(pixels, b.Build()), 1);
    AdjustContrast(pixels, 0);
    const std::uint8_t lowered[] = {178, 178, 178, 50, 101, 200, 50, 101, 200, 128, 128, 128};
    EXPECT_TRUE(std::equal(lowered, lowered + 12, pixels.GetBits().begin()));
}

// A JPEG preview is decoded at 1/8, 1/2 or the full size but shows its own size; no preview
// leaves a temporary file, and a failed one clears what the cell showed.
TEST_F(ThumbnailTest, PreviewsDecodeReducedShowTheirOwnSizeAndLeaveNoTemporaryFile) {
    CScopedTemporaryFolder temporary;
    // {type, width, height, decoded width, decoded height}
    const int cases[][5] = {{imageTiff, 64, 48, 64, 48},
                            {imageJpeg, 800, 500, 100, 63},
                            {imageJpeg, 300, 200, 150, 100},
                            {imageJpeg, 100, 60, 100, 60}};
    CPreviewCell cell;
    for (const auto& [type, width, height, decodedWidth, decodedHeight] : cases) {
        const std::string path = File(type == imageTiff ? "p.tif" : "p.jpg");
        ASSERT_EQ(ExportAs(*Quadrants(width, height), type, path), 1);
        ASSERT_EQ(cell.Load(path), 1);
        EXPECT_EQ(cell.GetType(), type);
        EXPECT_EQ(cell.GetSizeText(), std::to_string(width) + " x " + std::to_string(height));
        EXPECT_EQ(int(cell.GetImage()->GetWidth()), decodedWidth) << width;
        EXPECT_EQ(int(cell.GetImage()->GetHeight()), decodedHeight) << width;
    }
    EXPECT_EQ(cell.Load(File("missing.tif")) + cell.GetType(), 0);
    EXPECT_EQ(cell.GetSizeText(), "");
    EXPECT_EQ(temporary.Entries(), std::vector<std::string>{});
}
