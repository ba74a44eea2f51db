// The image object: row forms, display depth and the 256-colour option, the halftone
// choice and the drawing call, palettes, copying, capture from a bitmap, the buffered
// reader, the archive form and the choice of class by extension.
#include "BmpBuilder.h"
#include "imaging/ImageOptions.h"
#include "imaging/ImageType.h"
#include "imaging/PxDib.h"
#include "platform/DibFormat.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// A decoder as the GIF and JPEG classes are: it leaves packed bottom-up rows and lets
// FinishLoad pad them. Its file holds depth, width, height, the colour count and then the
// packed rows. A tight decoder sizes its block for the packed rows only.
class CPackedImage : public PxImage {
public:
    const char* GetClassName() const override { return "CPackedImage"; }
    int ReadImageData(CFile& file) override {
        std::uint8_t head[4];
        if (file.Read(head, 4) != 4)
            return 0;
        m_imageBits = head[0];
        m_width = head[1];
        m_height = head[2];
        m_colorCount = head[3];
        const std::uint64_t packed = PackedRowBytes(m_imageBits, m_width) * m_height;
        if (!AllocatePixels(m_tight ? packed : PaddedRowBytes(m_imageBits, m_width) * m_height))
            return 0;
        file.Read(m_pixels.data(), static_cast<std::size_t>(packed));
        m_rowsPadded = false;
        return 1;
    }
    int WriteImageData(CFile&) override { return 1; }

    // Loads packed rows of the given depth and size.
    int Load(unsigned bits, unsigned width, unsigned height, const std::vector<std::uint8_t>& rows,
             unsigned colors = 0) {
        std::vector<std::uint8_t> bytes = {
            static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(colors)};
        bytes.insert(bytes.end(), rows.begin(), rows.end());
        CMemFile file;
        FillMemFile(file, bytes);
        int result = LoadFromFile(file);
        ReleaseFile();
        return result;
    }
    std::vector<std::uint8_t> Bytes(std::size_t count) const {
        return {GetBits().begin(), GetBits().begin() + static_cast<std::ptrdiff_t>(count)};
    }
    bool m_tight = false;
};

std::vector<std::uint8_t> Sequence(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{1});
    return v;
}

// Keeps the process-wide screen format and 256-colour option as they were.
class ScreenScope {
public:
    ScreenScope() : m_caps(CDC::GetScreenCaps()), m_force(Force256Colors()) {}
    ~ScreenScope() {
        CDC::SetScreenCaps(m_caps);
        SetForce256Colors(m_force);
    }

private:
    CDC::ScreenCaps m_caps;
    bool m_force;
};

std::vector<std::uint8_t> BmpOf(std::uint16_t bits, std::int32_t width, std::int32_t height,
                                std::vector<std::uint32_t> colors, std::vector<std::uint8_t> rows) {
    BmpBuilder b;
    b.bits = bits;
    b.width = width;
    b.height = height;
    b.colors = std::move(colors);
    b.pixels = std::move(rows);
    return b.Build();
}

int LoadBytes(PxImage& image, const std::vector<std::uint8_t>& bytes) {
    CMemFile file;
    FillMemFile(file, bytes);
    int result = image.LoadFromFile(file);
    image.ReleaseFile();
    return result;
}

} // namespace

// ---- Row forms ----

TEST(PxImageRows, RowSizes) {
    EXPECT_EQ(PxImage::PackedRowBytes(1, 3), 1u);
    EXPECT_EQ(PxImage::PaddedRowBytes(1, 3), 4u);
    EXPECT_EQ(PxImage::PackedRowBytes(4, 3), 2u);
    EXPECT_EQ(PxImage::PackedRowBytes(24, 5), 15u);
    EXPECT_EQ(PxImage::PaddedRowBytes(24, 5), 16u);
    EXPECT_EQ(PxImage::PaddedRowBytes(8, 4), 4u);
    EXPECT_EQ(PxImage::PaddedRowBytes(32, 1u << 24), 1ull << 26);
}

TEST(PxImageRows, FinishLoadPadsPackedRowsAndPackRowsUndoesIt) {
    CPackedImage image;
    std::vector<std::uint8_t> rows = Sequence(15); // 3 rows of 5 bytes: 8 bits, width 5
    ASSERT_EQ(image.Load(8, 5, 3, rows, 0), 1);
    EXPECT_TRUE(image.IsRowsPadded());
    EXPECT_EQ(image.GetRowPitch(), 8u);
    EXPECT_EQ(image.Bytes(24),
              (std::vector<std::uint8_t>{1,  2, 3, 4, 5,  0,  0,  0,  6,  7, 8, 9,
                                         10, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0}));
    ASSERT_EQ(image.PackRows(), 1);
    EXPECT_FALSE(image.IsRowsPadded());
    EXPECT_EQ(image.Bytes(15), rows);
    EXPECT_EQ(image.PackRows(), 1); // already packed: nothing
    EXPECT_EQ(image.Bytes(15), rows);
}

TEST(PxImageRows, RowsWhosePackedAndPaddedSizesAgreeNeverMove) {
    CPackedImage image;
    std::vector<std::uint8_t> rows = Sequence(12); // 8 bits, width 4
    ASSERT_EQ(image.Load(8, 4, 3, rows, 0), 1);
    EXPECT_EQ(image.Bytes(12), rows);
    EXPECT_FALSE(image.IsRowsPadded()); // nothing to do, so the flag stays as it was
    EXPECT_EQ(image.PackRows(), 1);
    EXPECT_EQ(image.PadRows(), 1);
    EXPECT_EQ(image.Bytes(12), rows);
    // 32 bits: every width agrees.
    CPackedImage wide;
    ASSERT_EQ(wide.Load(32, 3, 2, Sequence(24), 0), 1);
    EXPECT_EQ(wide.Bytes(24), Sequence(24));
}

TEST(PxImageRows, OneRowImagesAreUnchangedByEveryForm) {
    CPackedImage image;
    ASSERT_EQ(image.Load(1, 3, 1, {0xA0}, 2), 1);
    EXPECT_EQ(image.Bytes(1), std::vector<std::uint8_t>{0xA0});
    EXPECT_EQ(image.FlipRows(), 1);
    EXPECT_EQ(image.PackRows(), 1);
    EXPECT_EQ(image.PadRows(), 1);
    EXPECT_EQ(image.Bytes(1), std::vector<std::uint8_t>{0xA0});
}

TEST(PxImageRows, FlipRowsTurnsTheRowOrderAndPadsFirst) {
    CPackedImage image;
    ASSERT_EQ(image.Load(4, 3, 3, {0x12, 0x30, 0x45, 0x60, 0x78, 0x90}, 16), 1);
    ASSERT_EQ(image.PackRows(), 1);
    ASSERT_EQ(image.FlipRows(), 1);
    EXPECT_TRUE(image.IsRowsPadded());
    EXPECT_EQ(image.Bytes(12),
              (std::vector<std::uint8_t>{0x78, 0x90, 0, 0, 0x45, 0x60, 0, 0, 0x12, 0x30, 0, 0}));
    ASSERT_EQ(image.FlipRows(), 1);
    EXPECT_EQ(image.Bytes(4), (std::vector<std::uint8_t>{0x12, 0x30, 0, 0}));
}

TEST(PxImageRows, ABlockTooSmallForTheRowsIsNotTouched) {
    CPackedImage tight;
    tight.m_tight = true;
    ASSERT_EQ(tight.Load(8, 3, 2, Sequence(6), 0), 1);
    EXPECT_FALSE(tight.IsRowsPadded());
    EXPECT_EQ(tight.PadRows(), 0);
    EXPECT_EQ(tight.FlipRows(), 0);
    EXPECT_EQ(tight.Bytes(6), Sequence(6));
}

// ---- Construction and the 256-colour option ----

TEST(PxImageDisplay, TrueColourScreenGivesNoDisplayDepthUnlessForced) {
    ScreenScope scope;
    SetForce256Colors(false);
    CDC::SetScreenCaps({32, 1, 1920, 1080});
    PxDib trueColour;
    EXPECT_EQ(trueColour.GetDisplayBits(), 0u);
    EXPECT_EQ(trueColour.GetDisplayColorCount(), 0u);
    EXPECT_EQ(trueColour.GetDisplayPlanes(), 1u);

    SetForce256Colors(true);
    PxDib forced;
    EXPECT_EQ(forced.GetDisplayBits(), 8u);
    EXPECT_EQ(forced.GetDisplayColorCount(), 256u);
    SetForce256Colors(false);
    EXPECT_EQ(forced.GetDisplayBits(), 8u); // read at construction only

    const struct {
        int bits, planes;
        unsigned displayBits, colors;
    } screens[] = {
        {16, 1, 0, 0}, {24, 1, 0, 0}, {8, 1, 8, 256}, {4, 1, 4, 16}, {2, 1, 2, 4}, {1, 4, 1, 16},
    };
    for (const auto& s : screens) {
        CDC::SetScreenCaps({s.bits, s.planes, 640, 480});
        PxDib image;
        EXPECT_EQ(image.GetDisplayBits(), s.displayBits) << s.bits;
        EXPECT_EQ(image.GetDisplayColorCount(), s.colors) << s.bits;
    }
}

TEST(PxImageDisplay, HalftoneFlagFollowsTheDisplayDepthAtEveryLoad) {
    ScreenScope scope;
    const std::vector<std::uint8_t> eight = BmpOf(8, 4, 1, {0, 0xFFFFFF}, {0, 1, 0, 1});
    const std::vector<std::uint8_t> rgb = BmpOf(24, 1, 1, {}, {1, 2, 3, 0});
    SetForce256Colors(false);
    PxDib onTrueColour;
    ASSERT_EQ(LoadBytes(onTrueColour, eight), 1);
    EXPECT_TRUE(onTrueColour.IsHalftone());

    SetForce256Colors(true);
    PxDib on256;
    ASSERT_EQ(LoadBytes(on256, rgb), 1);
    EXPECT_TRUE(on256.IsHalftone());
    ASSERT_EQ(LoadBytes(on256, eight), 1); // the same object, now an 8-bit picture
    EXPECT_FALSE(on256.IsHalftone());
}

TEST(PxImageDisplay, StretchToDCDrawsInTheModeTheFlagChoosesAndRestoresTheContext) {
    ScreenScope scope;
    const std::vector<std::uint8_t> bmp =
        BmpOf(8, 4, 1, {0x000000, 0x646464, 0xC8C8C8, 0xFFFFFF}, {0, 1, 2, 3});
    for (bool force : {false, true}) {
        SetForce256Colors(force);
        PxDib image;
        ASSERT_EQ(LoadBytes(image, bmp), 1);
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc, 2, 1));
        dc.SelectObject(&bitmap);
        CPalette own;
        own.CreatePalette(std::vector<PALETTEENTRY>(2));
        dc.SelectPalette(&own, true);
        dc.SetStretchBltMode(BLACKONWHITE);
        EXPECT_EQ(image.StretchToDC(dc, {0, 0, 2, 1}, {0, 0, 4, 1}), 1);
        EXPECT_EQ(dc.GetStretchBltMode(), BLACKONWHITE);
        EXPECT_EQ(dc.GetCurrentPalette(), &own);
        // Averaged (halftone) or one pixel of each pair (colour on colour).
        EXPECT_EQ(bitmap.GetPixel(0, 0), force ? RGB(100, 100, 100) : RGB(50, 50, 50));
        dc.SelectObject(nullptr);
    }
}

// ---- Palettes, copies, capture ----

TEST(PxImagePalette, EntriesFollowTheColourCountAndColoursUsed) {
    BmpBuilder b;
    b.bits = 8;
    b.width = 4;
    b.height = 1;
    b.colors = {0x102030, 0x405060, 0x708090};
    b.colorsUsed = 3;
    b.pixels = {0, 1, 2, 0};
    PxDib image;
    ASSERT_EQ(LoadBytes(image, b.Build()), 1);
    ASSERT_NE(image.GetPalette(), nullptr);
    auto entries = image.GetPalette()->Entries();
    ASSERT_EQ(entries.size(), 256u); // max(colours used, colour count)
    EXPECT_EQ(entries[1].peRed, 0x40);
    EXPECT_EQ(entries[1].peBlue, 0x60);
    EXPECT_EQ(entries[3].peRed + entries[255].peGreen, 0);

    PxDib rgb;
    ASSERT_EQ(LoadBytes(rgb, BmpOf(24, 1, 1, {}, {1, 2, 3, 0})), 1);
    EXPECT_EQ(rgb.CreateImagePalette(), 1);
    EXPECT_EQ(rgb.GetPalette(), nullptr);
    PxDib sixteen;
    ASSERT_EQ(LoadBytes(sixteen, BmpOf(16, 2, 1, {}, {1, 2, 3, 4})), 1);
    EXPECT_EQ(sixteen.CreateImagePalette(), 0);
    EXPECT_EQ(sixteen.ColorCountForDepth(), 0u);
}

TEST(PxImageCopy, CopyFromTakesTheImageButKeepsItsOwnDisplayState) {
    ScreenScope scope;
    SetForce256Colors(false);
    PxDib source;
    ASSERT_EQ(
        LoadBytes(source, BmpOf(4, 3, 2, {0xFF0000, 0x00FF00}, {0x01, 0x00, 0, 0, 0x10, 0, 0, 0})),
        1);
    SetForce256Colors(true);
    PxDib target;
    ASSERT_EQ(target.CopyFrom(source), 1);
    EXPECT_EQ(target.GetWidth(), 3u);
    EXPECT_EQ(target.GetHeight(), 2u);
    EXPECT_EQ(target.GetImageBits(), 4u);
    EXPECT_EQ(target.GetColorCount(), 16u);
    EXPECT_TRUE(std::equal(source.GetBits().begin(), source.GetBits().end(),
                           target.GetBits().begin(), target.GetBits().end()));
    EXPECT_TRUE(std::equal(source.GetHeader().begin(), source.GetHeader().end(),
                           target.GetHeader().begin(), target.GetHeader().end()));
    EXPECT_EQ(target.GetDisplayBits(), 8u);
    EXPECT_FALSE(target.IsHalftone());
    ASSERT_NE(target.GetPalette(), nullptr);
    EXPECT_NE(target.GetPalette(), source.GetPalette());
    EXPECT_EQ(target.GetPalette()->Entries()[0].peRed, 0xFF);
    EXPECT_EQ(target.CopyFrom(target), 1);
    EXPECT_EQ(target.GetWidth(), 3u);
}

TEST(PxImageCapture, CreateFromBitmapMakesA24BitImageOfTheBitmap) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(dc, 3, 2));
    dc.SelectObject(&bitmap);
    dc.FillSolidRect({0, 0, 3, 1}, RGB(10, 20, 30));
    dc.FillSolidRect({1, 1, 2, 2}, RGB(200, 100, 50));
    dc.SelectObject(nullptr);
    PxDib image;
    ASSERT_EQ(image.CreateFromBitmap(dc, bitmap), 1);
    EXPECT_EQ(image.GetImageBits(), 24u);
    EXPECT_EQ(image.GetColorCount(), 0u);
    EXPECT_TRUE(image.IsRowsPadded());
    EXPECT_EQ(image.GetBits().size(), 2u * 12);
    BITMAPINFOHEADER h = ReadInfoHeader(image.GetHeader().data());
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biSizeImage, 2u * 12); // rows of the bitmap's own 32-bit depth
    EXPECT_EQ(image.GetBits()[0], 0);  // bottom line first: black, then the middle pixel
    EXPECT_EQ(image.GetBits()[3], 50);
    EXPECT_EQ(image.GetBits()[5], 200);
    EXPECT_EQ(image.GetBits()[12 + 2], 10);

    // Drawn back at 1:1 it gives the bitmap.
    CBitmap copy;
    ASSERT_TRUE(copy.CreateCompatibleBitmap(dc, 3, 2));
    dc.SelectObject(&copy);
    EXPECT_EQ(image.StretchToDC(dc, {0, 0, 3, 2}, {0, 0, 3, 2}), 2);
    dc.SelectObject(nullptr);
    EXPECT_TRUE(std::equal(copy.Pixels(), copy.Pixels() + 6, bitmap.Pixels()));
    CBitmap none;
    EXPECT_EQ(image.CreateFromBitmap(dc, none), 0);
}

// ---- Buffered reader ----

TEST(PxImageReader, BufferedReadsCrossRefillsAndEndCleanly) {
    CMemFile file;
    FillMemFile(file, Sequence(10));
    CPackedImage image;
    EXPECT_EQ(image.OpenReadBuffer(4, 1), 0); // no file held yet
    std::uint8_t out[8] = {};
    // Load anything to hold the file, then read it from the start.
    image.LoadFromFile(file);
    file.SeekToBegin();
    ASSERT_EQ(image.OpenReadBuffer(4, 1), 1);
    EXPECT_EQ(image.BufferedRead(out, 3), 3u);
    EXPECT_EQ(out[2], 3);
    // 2 bytes with 1 left: the buffer's last byte, then the first of the next fill.
    EXPECT_EQ(image.BufferedRead(out, 2), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    // Exactly emptying the buffer refills it at once.
    EXPECT_EQ(image.BufferedRead(out, 3), 3u);
    EXPECT_EQ(out[2], 8);
    // Beyond the end: what there is.
    EXPECT_EQ(image.BufferedRead(out, 8), 2u);
    EXPECT_EQ(out[1], 10);
    EXPECT_EQ(image.BufferedRead(out, 1), 0u);
    image.CloseReadBuffer();
    file.Seek(6, CFile::begin);
    EXPECT_EQ(image.BufferedRead(out, 2), 2u); // no buffer: straight from the file
    EXPECT_EQ(out[0], 7);
    image.ReleaseFile();
}

// ---- Load and save sequence, archive form ----

TEST(PxImageFiles, PathsThatCannotBeOpenedFailWithTheirCause) {
    CTempDir temp;
    PxDib image;
    EXPECT_EQ(image.LoadFromPath(temp.File("missing.bmp")), 0);
    EXPECT_EQ(image.LastFileError(), FileCause::fileNotFound);
    EXPECT_FALSE(image.HasImage());
    EXPECT_EQ(image.SaveToPath(temp.File("no/such/folder.bmp")), 0);
    EXPECT_NE(image.LastFileError(), 0);

    // The owned file is reused from path to path.
    const std::string first = temp.File("a.bmp"), second = temp.File("b.bmp");
    WriteFileBytes(first, BmpOf(24, 1, 1, {}, {1, 2, 3, 0}));
    WriteFileBytes(second, BmpOf(24, 2, 1, {}, {1, 2, 3, 4, 5, 6, 0, 0}));
    ASSERT_EQ(image.LoadFromPath(first), 1);
    CFile* held = image.GetFile();
    ASSERT_EQ(image.LoadFromPath(second), 1);
    EXPECT_EQ(image.GetFile(), held);
    EXPECT_EQ(image.GetWidth(), 2u);
    ASSERT_EQ(image.SaveToPath(first), 1);
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));
}

TEST(PxImageFiles, TheArchiveFormIsABmpForEveryClass) {
    CPackedImage packed;
    ASSERT_EQ(packed.Load(8, 3, 2, Sequence(6), 0), 1);
    CMemFile archive;
    ASSERT_EQ(packed.Serialize(archive, true), 1);
    const std::size_t imageBytes = archive.Data().size();
    const std::uint8_t trailer[] = {0xAB, 0xCD};
    archive.Write(trailer, 2);
    EXPECT_EQ(archive.Data()[0], 'B');

    archive.SeekToBegin();
    PxDib loaded;
    ASSERT_EQ(loaded.Serialize(archive, false), 1);
    EXPECT_EQ(archive.GetPosition(), static_cast<std::int64_t>(imageBytes));
    EXPECT_EQ(loaded.GetWidth(), 3u);
    EXPECT_TRUE(std::equal(packed.GetBits().begin(), packed.GetBits().end(),
                           loaded.GetBits().begin(), loaded.GetBits().end()));
    // A damaged archive leaves no image.
    CMemFile damaged;
    FillMemFile(damaged, std::vector<std::uint8_t>{'B', 'M', 1});
    EXPECT_EQ(loaded.Serialize(damaged, false), 0);
    EXPECT_FALSE(loaded.HasImage());
    EXPECT_EQ(PxImage::schema, 1u);
}

TEST(PxImageFiles, TheClassIsChosenByTheExtension) {
    const struct {
        const char* path;
        int type;
    } cases[] = {
        {"a.jpg", imageJpeg},        {"/x/b.JPEG", imageJpeg}, {"c.Jpe", imageJpeg},
        {"d.bmp", imageBmp},         {"e.GIF", imageGif},      {"f.tif", imageTiff},
        {"g.TIFF", imageTiff},       {"h.png", imageNone},     {"jpg", imageNone},
        {"dir.bmp/file", imageNone}, {"i.bmp.txt", imageNone}, {"", imageNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageTypeFromPath(c.path), c.type) << c.path;
    std::unique_ptr<PxImage> dib = CreateImageForType(imageBmp);
    ASSERT_NE(dib, nullptr);
    EXPECT_STREQ(dib->GetClassName(), "PxDib");
    EXPECT_EQ(CreateImageForType(imageNone), nullptr);
    EXPECT_EQ(CreateImageForType(99), nullptr);
}
