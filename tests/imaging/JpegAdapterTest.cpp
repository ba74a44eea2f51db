// PxJpeg against the JPEG library used directly: every corpus JPEG and every cut or
// damaged copy of one decodes to the library's rows (24-bit and quantised) or fails where
// the library fails; four-component JPEGs show the photo they were made from; the encoder
// writes the library's bytes for the colours a picture shows, at every depth and setting.
#include "BmpBuilder.h"
#include "ReferenceImages.h"
#include "imaging/ImageOptions.h"
#include "imaging/PxDib.h"
#include "imaging/PxJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct Landing {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

jpeg_error_mgr* Quiet(Landing& landing) {
    jpeg_std_error(&landing.manager)->output_message = [](j_common_ptr) {};
    landing.manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<Landing*>(c->err)->jump, 1);
    };
    return &landing.manager;
}

// The library's decoding in the program's settings, laid out as the DIB the program must
// make: bottom-up rows padded to 4 bytes of blue-green-red (a grey sample three times) or
// of quantised indices, with the map as blue, green, red. Four-component pictures give no
// rows (their inks are converted by the program); a refused stream gives width 0.
struct Decoded {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> bits, map, row; // row: the library's output of one line
};

Decoded LibraryDecode(const std::vector<std::uint8_t>& bytes, bool quantize) {
    Decoded d; // declared before the landing point, so that a jump there destroys it
    jpeg_decompress_struct c;
    Landing landing;
    c.err = Quiet(landing);
    if (setjmp(landing.jump)) {
        jpeg_destroy_decompress(&c);
        return {};
    }
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    c.out_color_space = c.num_components == 3 ? JCS_EXT_BGR : c.out_color_space;
    c.quantize_colors = quantize, c.desired_number_of_colors = 256;
    c.two_pass_quantize = c.num_components != 4;
    jpeg_start_decompress(&c);
    d.width = c.output_width, d.height = c.output_height;
    const int n = c.output_components, colours = c.out_color_components;
    const std::uint64_t stride = PxImage::PaddedRowBytes(quantize ? 8 : 24, d.width);
    d.bits.resize(colours == 4 ? 0 : stride * d.height);
    d.row.resize(std::size_t{d.width} * n);
    for (JSAMPROW r = d.row.data(); c.output_scanline < c.output_height;) {
        jpeg_read_scanlines(&c, &r, 1);
        if (d.bits.empty())
            continue;
        std::uint8_t* out = d.bits.data() + (d.height - c.output_scanline) * stride;
        for (std::size_t i = 0; n == 1 && !quantize && i < d.row.size(); ++i)
            out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = d.row[i];
        if (n == 3 || quantize)
            std::copy(d.row.begin(), d.row.end(), out);
    }
    for (int i = 0; quantize && colours != 4 && i < c.actual_number_of_colors; ++i)
        for (int k : {0, 1, 2})
            d.map.push_back(c.colormap[colours == 3 ? k : 0][i]);
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return d;
}

// The library's encoding of top-down blue-green-red rows in the image's settings.
std::vector<std::uint8_t> LibraryEncode(std::vector<std::uint8_t> rows, int w, int h,
                                        const PxJpeg& settings) {
    jpeg_compress_struct c;
    jpeg_error_mgr manager; // a valid picture: any error ends the test program with its text
    c.err = jpeg_std_error(&manager);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w, c.image_height = h, c.input_components = 3, c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, settings.GetQuality(), TRUE);
    c.smoothing_factor = settings.GetSmoothing(), c.optimize_coding = settings.GetOptimizeCoding();
    c.arith_code = settings.GetArithCoding();
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row = rows.data(); c.next_scanline < c.image_height; row += 3 * w)
        jpeg_write_scanlines(&c, &row, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// The image against the library's decoding, row bytes and colour map.
void ExpectSameAsLibrary(const PxJpeg& image, const Decoded& d) {
    ASSERT_TRUE(image.GetWidth() == d.width && image.GetHeight() == d.height);
    EXPECT_TRUE(std::ranges::equal(image.GetBits(), d.bits));
    for (std::size_t i = 0; i < d.map.size(); ++i)
        ASSERT_EQ(image.GetColorTable()[i / 3 * 4 + i % 3], d.map[i]) << "map entry " << i / 3;
}

// The YCCK JPEG of the corpus was made from the photo's 640 × 480 crop, which the corpus
// also holds as an uncompressed TIFF: the conversion of its inks must show that photo (a
// negative or swapped channels are off by a hundred levels and more; the dithered 256
// colours by some 26, the 24-bit picture by about 1).
void ExpectShowsPhoto(PxJpeg& image, const RgbPicture& photo) {
    const std::vector<std::uint32_t> drawn = Render(image, 640, 480, COLORONCOLOR);
    double error = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        for (int c = 0; c < 24; c += 8)
            error += std::abs(int(drawn[i] >> c & 255) - int(photo.pixels[i] >> c & 255));
    EXPECT_LT(error / drawn.size() / 3, image.GetImageBits() == 8 ? 30.0 : 3.0);
}

} // namespace

TEST(JpegAdapter, EveryCorpusJpegDecodesAsTheLibraryDecodesIt) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const auto rows = ManifestRows(dir, "JPEG");
    RgbPicture photo;
    ASSERT_TRUE(LibtiffDecode(dir + "photos/ladybird-640x480-rgb.tiff", photo));
    int refused = 0;
    for (const auto& row : rows) {
        const std::string& path = row[0];
        const std::vector<std::uint8_t> bytes = ReadFileBytes(dir + path);
        for (bool quantize : {false, true}) {
            SCOPED_TRACE(path + (quantize ? " quantised" : ""));
            const Decoded reference = LibraryDecode(bytes, quantize);
            SetForce256Colors(quantize); // read by the image at construction
            PxJpeg image;
            SetForce256Colors(false);
            ASSERT_EQ(LoadBytes(image, bytes), reference.width ? 1 : 0);
            if (!reference.width) {
                EXPECT_FALSE(image.HasImage() || image.LibraryMessage().empty());
                refused += !quantize;
                continue;
            }
            if (!reference.bits.empty()) {
                ExpectSameAsLibrary(image, reference);
            } else if (path.find("ycck") != std::string::npos) {
                ExpectShowsPhoto(image, photo);
            }
        }
    }
    EXPECT_EQ(rows.size(), 26u);
    EXPECT_EQ(refused, 2); // the 12-bit and the lossless stream
}

// Every prefix of a small JPEG and many single-byte corruptions of it load as the library
// decodes them (a cut stream as if it ended with an end-of-image marker) or fail with it;
// an empty file and file errors fail.
TEST(JpegAdapter, CutDamagedAndFailingStreamsBehaveAsInTheLibrary) {
    const std::string dir = TestDataDir();
    if (dir.empty())
        return;
    const std::vector<std::uint8_t> whole = ReadFileBytes(dir + "jpeg/testorig.jpg");
    std::vector<std::vector<std::uint8_t>> variants;
    for (std::size_t length = 0; length < whole.size(); length += length < 700 ? 23 : 401)
        variants.emplace_back(whole.begin(), whole.begin() + length);
    for (std::size_t at = 2; at < 700; at += 9) {
        variants.push_back(whole);
        variants.back()[at] ^= static_cast<std::uint8_t>(at * 37 | 1);
    }
    int partial = 0;
    for (const auto& bytes : variants) {
        SCOPED_TRACE(bytes.size());
        const Decoded reference = LibraryDecode(bytes, false);
        PxJpeg image;
        ASSERT_EQ(LoadBytes(image, bytes), reference.width ? 1 : 0);
        if (reference.width)
            ExpectSameAsLibrary(image, reference);
        partial += reference.width && bytes.size() < whole.size();
    }
    EXPECT_GT(partial, 3);
    PxJpeg empty;
    EXPECT_EQ(LoadBytes(empty, {}), 0);
    EXPECT_EQ(empty.LibraryMessage(), "Empty input file");
    struct FailingFile : CMemFile {
        std::size_t Read(void*, std::size_t) override { throw CFileException(FileCause::hardIO); }
        void Write(const void*, std::size_t) override { throw CFileException(FileCause::diskFull); }
    } failing;
    EXPECT_EQ(empty.LoadFromFile(failing), 0); // file errors end the work with their cause
    EXPECT_EQ(empty.LastFileError(), FileCause::hardIO);
    ASSERT_EQ(LoadBytes(empty, whole), 1);
    EXPECT_EQ(empty.SaveToFile(failing), 0);
    EXPECT_EQ(empty.LastFileError(), FileCause::diskFull);
}

// Pictures of every depth, bottom-up and top-down, encode to the library's bytes for the
// colours they show (blue, green, red as drawn, so red and blue stay in place), in several
// settings, and are unchanged by it.
TEST(JpegAdapter, EncodingWritesWhatTheLibraryWritesForTheShownColours) {
    for (std::uint16_t bits : {1, 4, 8, 24}) {
        for (std::int32_t height : {21, -21}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, height " << height);
            BmpBuilder bmp{.width = 29, .height = height, .bits = bits};
            for (std::uint32_t i = 0; bits <= 8 && i < (1u << bits); ++i)
                bmp.colors.push_back(i * 0x3F1A07u & 0xFFFFFF);
            bmp.pixels = PatternBytes(PxImage::PaddedRowBytes(bits, 29) * 21, bits);
            PxDib dib;
            PxJpeg image;
            ASSERT_TRUE(LoadBytes(dib, bmp.Build()) && image.CopyFrom(dib));
            std::vector<std::uint8_t> shown;
            for (std::uint32_t p : Render(dib, 29, 21, COLORONCOLOR))
                shown.insert(shown.end(),
                             {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16)});
            const std::vector<std::uint8_t> before(image.GetBits().begin(), image.GetBits().end());
            for (auto [quality, smoothing, optimize, arith] :
                 {std::tuple{75, 0, false, false}, {30, 10, true, false}, {95, 0, false, true}}) {
                image.SetQuality(quality), image.SetSmoothing(smoothing);
                image.SetOptimizeCoding(optimize), image.SetArithCoding(arith);
                CMemFile out;
                ASSERT_EQ(image.SaveToFile(out), 1);
                EXPECT_TRUE(std::ranges::equal(out.Data(), LibraryEncode(shown, 29, 21, image)));
            }
            EXPECT_TRUE(std::ranges::equal(before, image.GetBits()));
        }
    }
}
