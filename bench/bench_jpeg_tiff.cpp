// bench_jpeg_tiff: what the JPEG and TIFF adapters cost on top of their libraries, measured
// in the same run on the corpus photographs:
//  - JPEG decoding, 24-bit and quantised to 256 colours: PxJpeg::LoadFromPath against a
//    plain libjpeg-turbo decoding of the same file (stdio source, blue-green-red rows into
//    one uncleared block); "decode 24z" decodes into a cleared block, as the image object
//    keeps its pixel block zero-initialised;
//  - JPEG encoding at quality 75 of the decoded picture: PxJpeg::SaveToFile into a memory
//    file against libjpeg-turbo encoding into memory the same rows copied top line first
//    ("encode q75"), and reading them where the DIB holds them, bottom line first in
//    memory, as the adapter must ("encode dib"); the outputs are compared byte for byte;
//  - TIFF reading of the photo TIFFs: PxTiff::LoadFromPath against TIFFOpen and
//    TIFFReadEncodedStrip of every strip into one block ("tiff read"); and the document's
//    decoding of a record's TIFF bytes held in memory (CPicdexDoc::LoadPicture, as every
//    move to a TIFF record does) against the same library read ("tiff record").
// Each line gives the median and fastest of the runs in milliseconds and the ratios of the
// library's time to the adapter's (1.0 = no cost, higher is better), of the medians and of
// the fastest runs (the latter less disturbed by other work on the machine).
//
//   cmake -S . -B build-jt-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-jt-rel --target bench_jpeg_tiff
//   build-jt-rel/bench/bench_jpeg_tiff --runs 7
//
// Options: --runs N (default 7; each case also runs once before timing), --data FOLDER
// (the corpus, default ../shared/testdata/ from the repository).
#include "bench/BenchUtil.h"
#include "bench/PlainJpeg.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageOptions.h"
#include "imaging/PxJpeg.h"
#include "imaging/PxTiff.h"
#include "platform/MemFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

namespace {

struct Timing {
    double median = 0;
    double best = 0;
};

// Runs the library's and the adapter's version alternately, after one run of each, the
// one or the other first in turn.
template <class Plain, class Adapter>
std::pair<Timing, Timing> Compare(int runs, Plain&& plain, Adapter&& adapter) {
    plain();
    adapter();
    std::vector<double> a, b;
    auto time = [](auto& work, std::vector<double>& samples) {
        CStopwatch watch;
        work();
        samples.push_back(watch.Millis());
    };
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0)
            time(plain, a), time(adapter, b);
        else
            time(adapter, b), time(plain, a);
    }
    return {{Median(a), *std::min_element(a.begin(), a.end())},
            {Median(b), *std::min_element(b.begin(), b.end())}};
}

std::vector<double> g_medianRatios, g_bestRatios;

void Report(const char* what, const std::string& file, double megapixels,
            const std::pair<Timing, Timing>& t) {
    const double median = t.first.median / t.second.median, best = t.first.best / t.second.best;
    g_medianRatios.push_back(median);
    g_bestRatios.push_back(best);
    std::printf("%-11s %-39s %5.1f %8.2f %8.2f  %8.2f %8.2f  %5.3f %5.3f\n", what, file.c_str(),
                megapixels, t.first.median, t.first.best, t.second.median, t.second.best, median,
                best);
}

double GeometricMean(const std::vector<double>& values) {
    double logs = 0;
    for (double v : values)
        logs += std::log(v);
    return std::exp(logs / static_cast<double>(values.size()));
}

// Blue-green-red rows encoded by the library alone at quality 75; the top line is at top,
// each next one step bytes further.
std::vector<std::uint8_t> PlainEncode(const std::uint8_t* top, std::ptrdiff_t step, int w, int h) {
    jpeg_compress_struct c;
    jpeg_error_mgr manager; // the default: an error ends the program with its text
    c.err = jpeg_std_error(&manager);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w, c.image_height = h, c.input_components = 3, c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row = const_cast<std::uint8_t*>(top); c.next_scanline < c.image_height;
         row += step)
        jpeg_write_scanlines(&c, &row, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

bool PlainTiffRead(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    const tmsize_t stripSize = TIFFStripSize(tif);
    const std::uint32_t strips = TIFFNumberOfStrips(tif);
    auto* pixels = static_cast<std::uint8_t*>(std::malloc(stripSize * strips));
    tmsize_t at = 0;
    for (std::uint32_t s = 0; s < strips; ++s)
        at += std::max<tmsize_t>(0, TIFFReadEncodedStrip(tif, s, pixels + at, stripSize));
    std::free(pixels);
    TIFFClose(tif);
    return at > 0;
}

} // namespace

int main(int argc, char** argv) {
    std::int64_t runs = 7;
    std::string data = "../shared/testdata/";
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
            if (option == "--runs")
                return ParseInteger(value, 1, 1000, runs);
            if (option != "--data")
                return false;
            data = std::string(value) + "/";
            return true;
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_jpeg_tiff [--runs N] [--data FOLDER]\n");
        return 2;
    }
    const char* photos[] = {"Dune-704x440.jpg",
                            "GreenMeadow.jpg",
                            "Storm.jpg",
                            "LadyBird.jpg",
                            "Picture_0B_by_freespace.jpg",
                            "friends_by_Aitzol_Berasategi.jpg",
                            "picosdeeuropa_by_Aitzol_Berasategi.jpg",
                            "sunset_by_Aitzol_Berasategi.jpg"};
    const char* tiffs[] = {"ladybird-640x480-rgb.tiff",    "ladybird-640x480-rgb-lzw.tiff",
                           "ladybird-640x480-pal8.tiff",   "friends-480x640-rgb.tiff",
                           "friends-480x640-rgb-lzw.tiff", "friends-480x640-pal8.tiff"};
    std::printf("runs %lld, load average %.2f\n", static_cast<long long>(runs), LoadAverage());
    std::printf("%-11s %-39s %5s %17s  %17s  %11s\n", "case", "file", "MP", "library med/best",
                "adapter med/best", "ratios");
    const int n = static_cast<int>(runs);
    for (const char* name : photos) {
        const std::string path = data + "photos/" + name;
        PxJpeg picture;
        if (!picture.LoadFromPath(path)) {
            std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
            return 1;
        }
        const int w = static_cast<int>(picture.GetWidth()),
                  h = static_cast<int>(picture.GetHeight());
        const double mp = double(w) * h / 1e6;
        for (int mode = 0; mode < 3; ++mode) {
            const bool quantize = mode == 2, cleared = mode == 1;
            SetForce256Colors(quantize);
            Report(quantize  ? "decode 256"
                   : cleared ? "decode 24z"
                             : "decode 24",
                   name, mp,
                   Compare(
                       n,
                       [&] {
                           CPlainJpegDecode how{quantize, cleared};
                           PlainJpegDecode(path, how);
                       },
                       [&] {
                           PxJpeg image;
                           image.LoadFromPath(path);
                       }));
            SetForce256Colors(false);
        }
        // Encoding: the decoded picture, and its rows top line first for the library.
        std::vector<std::uint8_t> rows;
        const std::uint64_t stride = PxImage::PaddedRowBytes(24, w);
        for (int y = h - 1; y >= 0; --y) {
            const std::uint8_t* row = picture.GetBits().data() + y * stride;
            rows.insert(rows.end(), row, row + 3 * w);
        }
        const std::uint8_t* bottomUp = picture.GetBits().data() + (h - 1) * stride;
        for (bool inPlace : {false, true}) {
            std::vector<std::uint8_t> plainBytes;
            CMemFile adapterFile;
            Report(inPlace ? "encode dib" : "encode q75", name, mp,
                   Compare(
                       n,
                       [&] {
                           plainBytes = inPlace
                                            ? PlainEncode(bottomUp, -std::ptrdiff_t(stride), w, h)
                                            : PlainEncode(rows.data(), 3 * w, w, h);
                       },
                       [&] {
                           adapterFile.SetLength(0);
                           adapterFile.SeekToBegin();
                           picture.SaveToFile(adapterFile);
                       }));
            if (!std::equal(plainBytes.begin(), plainBytes.end(), adapterFile.Data().begin(),
                            adapterFile.Data().end()))
                std::printf("  !! the adapter's JPEG differs from the library's\n");
        }
        picture.ReleaseFile();
    }
    for (const char* name : tiffs) {
        const std::string path = data + "photos/" + name;
        PxTiff probe;
        if (!probe.LoadFromPath(path)) {
            std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
            return 1;
        }
        const double mp = double(probe.GetWidth()) * probe.GetHeight() / 1e6;
        Report("tiff read", name, mp,
               Compare(
                   n, [&] { PlainTiffRead(path); },
                   [&] {
                       PxTiff image;
                       image.LoadFromPath(path);
                   }));
        CMemFile record(65536);
        {
            CFile source;
            source.Open(path, CFile::modeRead | CFile::shareDenyNone);
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.GetLength()));
            record.Write(bytes.data(), source.Read(bytes.data(), bytes.size()));
        }
        CPicdexDoc doc;
        Report("tiff record", name, mp,
               Compare(
                   n, [&] { PlainTiffRead(path); },
                   [&] {
                       record.SeekToBegin();
                       if (!doc.LoadPicture(name, record))
                           std::printf("  !! the document could not decode %s\n", name);
                   }));
    }
    std::printf("geometric means of the ratios: medians %.3f, fastest runs %.3f\n",
                GeometricMean(g_medianRatios), GeometricMean(g_bestRatios));
    return 0;
}
