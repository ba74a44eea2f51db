// PxTiff against libtiff's own RGBA reading: every corpus TIFF loads from memory with the
// pixels that reading gives (CMYK fails cleanly) and without a temporary file; orientation, grey
// ramps and palette maps follow the file; written TIFFs pass tiffinfo and read back, through PxTiff
// and through libtiff, as the picture they were written from; damaged files load or fail cleanly.
#include "BmpBuilder.h"
#include "ReferenceImages.h"
#include "imaging/ImageType.h"
#include "imaging/PxTiff.h"

#include <algorithm>
#include <cstdlib>

#include <tiffio.h>

namespace {

std::vector<std::uint32_t> LibtiffPixels(const std::string& path) {
    RgbPicture picture;
    return LibtiffDecode(path, picture) ? picture.pixels : std::vector<std::uint32_t>{};
}

struct TiffFile {
    std::uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK, orientation = 1;
    std::vector<std::uint16_t> map = {}; // all reds, then greens, then blues
    std::vector<std::uint8_t> data = {}; // 4 × 3 pixels, rows top line first, packed
    std::uint16_t compression = COMPRESSION_NONE;
};

void Write(const std::string& path, const TiffFile& f) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4), TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, f.orientation);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, f.compression);
    if (f.compression == COMPRESSION_JPEG) // YCbCr in the file, RGB handed to libtiff
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    const std::size_t n = f.map.size() / 3;
    if (n)
        TIFFSetField(tif, TIFFTAG_COLORMAP, f.map.data(), f.map.data() + n, f.map.data() + 2 * n);
    TIFFWriteEncodedStrip(tif, 0, const_cast<std::uint8_t*>(f.data.data()), f.data.size());
    TIFFClose(tif);
}

std::unique_ptr<PxImage> Load(const std::string& path) {
    std::unique_ptr<PxImage> image = CreateImageForType(ImageTypeFromPath(path));
    if (image && image->LoadFromPath(path) != 1)
        image.reset();
    return image;
}

} // namespace

TEST(TiffAdapter, EveryCorpusTiffLoadsWithLibtiffsPixels) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const auto rows = ManifestRows(dir, "TIFF");
    CScopedTemporaryFolder temporary;
    for (const auto& row : rows) {
        const std::string& path = row[0];
        SCOPED_TRACE(path);
        // As a record's picture arrives; the file starts at the stream's position.
        CMemFile stream;
        const std::vector<std::uint8_t> bytes = ReadFileBytes(dir + path);
        stream.Write("xyz", 3);
        stream.Write(bytes.data(), bytes.size());
        stream.Seek(3, CFile::begin);
        PxTiff image;
        const int loaded = image.LoadFromFile(stream);
        image.ReleaseFile();
        EXPECT_EQ(temporary.Entries(), std::vector<std::string>{});
        if (path.find("separated") != std::string::npos) { // CMYK is not shown
            EXPECT_FALSE(loaded || image.HasImage());
            continue;
        }
        // The cut file loads; libtiff fills the strips it cannot read in its own way.
        ASSERT_EQ(loaded, 1);
        if (path.find("truncated") != std::string::npos)
            continue;
        std::uint16_t photometric = 0;
        RgbPicture libtiff;
        ASSERT_TRUE(LibtiffDecode(dir + path, libtiff, &photometric));
        const std::vector<std::uint32_t>& reference = libtiff.pixels;
        const std::vector<std::uint32_t> drawn =
            Render(image, image.GetWidth(), image.GetHeight(), COLORONCOLOR);
        ASSERT_EQ(drawn.size(), reference.size());
        // libtiff takes the high byte of a 16-bit colour map, the program scales it by
        // 255 / 65535: the two may differ by one step.
        int largest = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i)
            for (int shift : {0, 8, 16})
                largest = std::max(largest, std::abs(int(drawn[i] >> shift & 255) -
                                                     int(reference[i] >> shift & 255)));
        EXPECT_LE(largest, photometric == PHOTOMETRIC_PALETTE ? 1 : 0);
    }
    EXPECT_EQ(rows.size(), 30u);
}

TEST(TiffAdapter, OrientationTablesAndDamageAreHandledAsTheFileSays) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    std::unique_ptr<PxImage> fax = Load(dir + "tiff/miniswhite-1c-1b.tiff");
    ASSERT_TRUE(fax && fax->GetImageBits() == 1); // table white, black (drawn as libtiff)
    EXPECT_EQ(GetLeU32(fax->GetColorTable().data()), 0xFFFFFFu);
    CTempDir temp;
    // Orientation 4 stores the bottom row first and shows the same way up as 1.
    TiffFile top{.samples = 3, .photometric = PHOTOMETRIC_RGB, .data = PatternBytes(36, 4)};
    TiffFile bottom = top;
    bottom.orientation = 4;
    for (std::size_t y = 0; y < 3; ++y)
        std::copy_n(top.data.begin() + 12 * (2 - y), 12, bottom.data.begin() + 12 * y);
    Write(temp.File("top.tif"), top);
    Write(temp.File("bottom.tif"), bottom);
    std::unique_ptr<PxImage> a = Load(temp.File("top.tif")), b = Load(temp.File("bottom.tif"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Render(*a), Render(*b));
    // Palette maps with every value below 256 (taken as 8-bit) or not, a 4-bit grey ramp
    // and JPEG-compressed YCbCr (decoded by libtiff's codec) show as libtiff shows them.
    for (std::uint16_t high : {200, 65535})
        Write(temp.File(high < 256 ? "p8.tif" : "p16.tif"),
              {.bits = 2,
               .photometric = PHOTOMETRIC_PALETTE,
               .map = {10, 20, 30, high, 40, 50, 60, 70, 80, 90, 100, 110},
               .data = {27, 228, 0}});
    Write(temp.File("grey.tif"), {.bits = 4, .data = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}});
    Write(temp.File("ycc.tif"), {.samples = 3,
                                 .photometric = PHOTOMETRIC_YCBCR,
                                 .data = PatternBytes(36, 5),
                                 .compression = COMPRESSION_JPEG});
    for (const char* name : {"p8.tif", "p16.tif", "grey.tif", "ycc.tif"}) {
        std::unique_ptr<PxImage> image = Load(temp.File(name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->GetImageBits(), name[0] == 'y' ? 24u : 8u);
        EXPECT_EQ(Render(*image), LibtiffPixels(temp.File(name))) << name;
    }
    // Cut copies of striped, tiled, planar, YCbCr and fax files load or fail, and what
    // loads draws inside its block; a missing file names its cause.
    PxTiff image;
    for (const char* name : {"tiff/quad-tile.tif", "tiff/ycbcr-cat.tif", "tiff/g3test.tif",
                             "tiff/oxford.tif", "tiff/palette-1c-4b.tiff"}) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(dir + name);
        for (std::size_t length = 8; length < bytes.size(); length += bytes.size() / 13) {
            WriteFileBytes(temp.File("cut.tif"), {bytes.data(), length});
            if (image.LoadFromPath(temp.File("cut.tif")) == 1)
                Render(image);
        }
    }
    EXPECT_EQ(image.LoadFromPath(temp.File("missing.tif")), 0);
    EXPECT_EQ(image.LastFileError(), FileCause::fileNotFound);
}

// Pictures of every depth the writer takes, from TIFF and BMP files (odd widths, 1-bit
// tables either way round, a 4-bit and a top-down picture), uncompressed and compressed.
TEST(TiffAdapter, WrittenTiffsPassTiffinfoAndReadBackAsThePicture) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const std::pair<const char*, std::uint16_t> sources[] = {
        {"tiff/rgb-3c-8b.tiff", COMPRESSION_NONE},
        {"tiff/quad-lzw.tif", COMPRESSION_LZW},
        {"photos/ladybird-640x480-pal8.tiff", COMPRESSION_NONE},
        {"tiff/miniswhite-1c-1b.tiff", COMPRESSION_NONE},
        {"tiff/vips-1bit.tif", COMPRESSION_CCITTFAX3},
        {"bmp/bmpsuite-pal1.bmp", COMPRESSION_PACKBITS},
        {"bmp/bmpsuite-pal4.bmp", COMPRESSION_NONE},
        {"bmp/bmpsuite-pal8topdown.bmp", COMPRESSION_NONE},
    };
    CTempDir temp;
    const std::string out = temp.File("out.tif");
    for (const auto& [name, compression] : sources) {
        SCOPED_TRACE(name);
        std::unique_ptr<PxImage> source = Load(dir + name);
        PxTiff tiff;
        ASSERT_TRUE(source && tiff.CopyFrom(*source));
        tiff.SetCompression(compression);
        ASSERT_EQ(tiff.SaveToPath(out), 1);
        EXPECT_TRUE(std::ranges::equal(tiff.GetBits(), source->GetBits())); // unchanged
        EXPECT_EQ(std::system(("tiffinfo -D '" + out + "' >'" + out + ".txt' 2>&1").c_str()), 0);
        const std::vector<std::uint8_t> report = ReadFileBytes(out + ".txt");
        EXPECT_EQ(std::string(report.begin(), report.end()).find("rror"), std::string::npos);
        PxTiff back;
        ASSERT_EQ(back.LoadFromPath(out), 1);
        EXPECT_EQ(back.GetImageBits(), source->GetImageBits() == 4 ? 8 : source->GetImageBits());
        EXPECT_TRUE(Render(back) == Render(*source));
        EXPECT_TRUE(LibtiffPixels(out) == Render(*source));
        // Failed saves, at the open and in libtiff's writing, keep the picture.
        EXPECT_EQ(tiff.SaveToPath(temp.File("no/such/folder.tif")), 0);
        tiff.SetCompression(60000);
        EXPECT_EQ(tiff.SaveToPath(out), 0);
        EXPECT_TRUE(std::ranges::equal(tiff.GetBits(), source->GetBits()));
    }
}
