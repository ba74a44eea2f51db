// The image object: a block too small for its rows, display depth and the 256-colour
// option, the halftone choice and the drawing call, copying and the buffered reader.
#include "BmpBuilder.h"
#include "imaging/ImageOptions.h"
#include "imaging/PxDib.h"
#include "platform/DibFormat.h"

#include <algorithm>
#include <numeric>

namespace {

// A decoder as the GIF and JPEG classes are: it leaves packed bottom-up rows and lets
// FinishLoad pad them. Its file holds depth, width and height and then the packed rows.
// A tight decoder sizes its block for the packed rows only.
class CPackedImage : public PxImage {
public:
    const char* GetClassName() const override { return "CPackedImage"; }
    int ReadImageData(CFile& file) override {
        std::uint8_t head[3];
        if (file.Read(head, 3) != 3)
            return 0;
        m_imageBits = head[0], m_width = head[1], m_height = head[2];
        const std::uint64_t packed = PackedRowBytes(m_imageBits, m_width) * m_height;
        if (!AllocatePixels(m_tight ? packed : PaddedRowBytes(m_imageBits, m_width) * m_height))
            return 0;
        file.Read(m_pixels.data(), static_cast<std::size_t>(packed));
        m_rowsPadded = false;
        return 1;
    }
    int WriteImageData(CFile&) override { return 1; }

    int Load(unsigned bits, unsigned width, unsigned height, std::vector<std::uint8_t> rows) {
        rows.insert(rows.begin(), {std::uint8_t(bits), std::uint8_t(width), std::uint8_t(height)});
        return LoadBytes(*this, rows);
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
struct ScreenScope {
    CDC::ScreenCaps caps = CDC::GetScreenCaps();
    bool force = Force256Colors();
    ~ScreenScope() { CDC::SetScreenCaps(caps), SetForce256Colors(force); }
};

const std::vector<std::uint8_t> kRgbPixel =
    BmpBuilder{.width = 1, .height = 1, .bits = 24, .pixels = {1, 2, 3, 0}}.Build();

} // namespace

// ---- Row forms ----

TEST(PxImageRows, ABlockTooSmallForTheRowsIsNotTouched) {
    CPackedImage tight;
    tight.m_tight = true;
    ASSERT_EQ(tight.Load(8, 3, 2, Sequence(6)), 1);
    EXPECT_FALSE(tight.IsRowsPadded());
    EXPECT_EQ(tight.PadRows(), 0);
    EXPECT_EQ(tight.FlipRows(), 0);
    EXPECT_EQ(tight.Bytes(6), Sequence(6));
}

// ---- Display depth, the 256-colour option and the halftone choice ----

TEST(PxImageDisplay, DisplayDepthIsReadFromTheScreenAtConstruction) {
    ScreenScope scope;
    const struct {
        int bits, planes;
        bool force;
        unsigned displayBits, colors;
    } screens[] = {
        {32, 1, false, 0, 0}, {24, 1, false, 0, 0}, {16, 1, false, 0, 0}, {8, 1, false, 8, 256},
        {4, 1, false, 4, 16}, {2, 1, false, 2, 4},  {1, 4, false, 1, 16}, {32, 1, true, 8, 256},
    };
    for (const auto& s : screens) {
        SCOPED_TRACE(testing::Message() << s.bits << " bits, forced " << s.force);
        CDC::SetScreenCaps({s.bits, s.planes, 640, 480});
        SetForce256Colors(s.force);
        PxDib image;
        SetForce256Colors(!s.force);
        EXPECT_EQ(image.GetDisplayBits(), s.displayBits);
        EXPECT_EQ(image.GetDisplayColorCount(), s.colors);
        EXPECT_EQ(image.GetDisplayPlanes(), unsigned(s.planes));
    }
}

TEST(PxImageDisplay, TheHalftoneFlagIsSetAtEveryLoadAndChoosesTheStretchMode) {
    ScreenScope scope;
    BmpBuilder grey{.width = 4, .height = 1, .pixels = {0, 1, 2, 3}};
    grey.colors = {0x000000, 0x646464, 0xC8C8C8, 0xFFFFFF};
    for (bool force : {false, true}) {
        SCOPED_TRACE(force);
        SetForce256Colors(force);
        PxDib image;
        ASSERT_EQ(LoadBytes(image, kRgbPixel), 1);
        EXPECT_TRUE(image.IsHalftone());
        ASSERT_EQ(LoadBytes(image, grey.Build()), 1); // the same object, now 8 bits
        EXPECT_EQ(image.IsHalftone(), !force);
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

TEST(PxImageCopy, CopyFromTakesTheImageButKeepsItsOwnDisplayState) {
    ScreenScope scope;
    SetForce256Colors(false);
    BmpBuilder b{.width = 3, .height = 2, .bits = 4, .pixels = {0x01, 0, 0, 0, 0x10, 0, 0, 0}};
    b.colors = {0xFF0000, 0x00FF00};
    PxDib source;
    ASSERT_EQ(LoadBytes(source, b.Build()), 1);
    SetForce256Colors(true);
    PxDib target;
    ASSERT_EQ(target.CopyFrom(source), 1);
    EXPECT_EQ(target.GetHeight(), 2u);
    EXPECT_EQ(target.GetColorCount(), 16u);
    EXPECT_TRUE(std::ranges::equal(source.GetBits(), target.GetBits()));
    EXPECT_TRUE(std::ranges::equal(source.GetHeader(), target.GetHeader()));
    EXPECT_EQ(target.GetDisplayBits(), 8u);
    EXPECT_FALSE(target.IsHalftone());
    ASSERT_NE(target.GetPalette(), nullptr);
    EXPECT_NE(target.GetPalette(), source.GetPalette());
    EXPECT_EQ(target.GetPalette()->Entries()[0].peRed, 0xFF);
    EXPECT_EQ(target.CopyFrom(target), 1);
    EXPECT_EQ(target.GetWidth(), 3u);
}

// ---- Buffered reader ----

TEST(PxImageReader, BufferedReadsCrossRefillsAndEndCleanly) {
    CMemFile file;
    FillMemFile(file, Sequence(10));
    CPackedImage image;
    EXPECT_EQ(image.OpenReadBuffer(4, 1), 0); // no file held yet
    auto read = [&](std::size_t count) {
        std::vector<std::uint8_t> out(count);
        out.resize(image.BufferedRead(out.data(), count));
        return out;
    };
    using Bytes = std::vector<std::uint8_t>;
    image.LoadFromFile(file); // to hold the file; then read it from the start
    file.SeekToBegin();
    ASSERT_EQ(image.OpenReadBuffer(4, 1), 1);
    EXPECT_EQ(read(3), (Bytes{1, 2, 3}));
    EXPECT_EQ(read(6), (Bytes{4, 5, 6, 7, 8, 9})); // across two refills
    EXPECT_EQ(read(8), (Bytes{10}));               // beyond the end: what there is
    EXPECT_EQ(read(1), Bytes{});
    image.CloseReadBuffer();
    file.Seek(6, CFile::begin);
    EXPECT_EQ(read(2), (Bytes{7, 8})); // no buffer: straight from the file
    image.ReleaseFile();
}
