// bench_gif: how fast the GIF codec decodes and encodes pictures of 640 x 480, 1600 x 1200
// and 92 x 69 (a thumbnail), against giflib measured in the same run on the same bytes.
//
// The pictures are made from a corpus photograph: a centred 4:3 crop drawn at each size
// with area averaging, then reduced to 256 colours by the GIF writer, so they are the
// 8-bit pictures the program really reads and writes. Decoding is a whole load from a
// memory file (palette and rows in final form included) against giflib's decoding of
// the image into one buffer; encoding is a whole save into a memory file against
// giflib's encoding of the rows into a growing buffer.
//   cmake -S . -B build-gif-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-gif-rel --target bench_gif
//   build-gif-rel/bench/bench_gif --runs 15 [--photo ../shared/testdata/photos/LadyBird.jpg]
//
// Each case runs N samples after a warm-up, the two codecs in turn; a sample repeats the
// operation until it covers about two million pixels. The table gives the median time of
// one operation, megapixels per second (10^6 pixels) and the ratio giflib time / our
// time (above 1: faster than giflib).
#include "bench/BenchUtil.h"
#include "imaging/ImageType.h"
#include "imaging/PxDib.h"
#include "imaging/PxGif.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/MemFile.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ByteReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* in = static_cast<ByteReader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(count, in->size - in->position);
    std::memcpy(out, in->data + in->position, n);
    in->position += n;
    return static_cast<int>(n);
}

int AppendBytes(GifFileType* gif, const GifByteType* data, int count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

// giflib decoding of the first image into pixels (width × height bytes); false on error.
bool GiflibDecode(std::span<const std::uint8_t> file, std::vector<GifPixelType>& pixels) {
    ByteReader reader{file.data(), file.size(), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadBytes, &error);
    if (!gif)
        return false;
    bool ok = false;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == IMAGE_DESC_RECORD_TYPE) {
            ok = DGifGetImageDesc(gif) == GIF_OK &&
                 DGifGetLine(gif, pixels.data(), static_cast<int>(pixels.size())) == GIF_OK;
            break;
        }
        int code = 0;
        GifByteType* extension = nullptr;
        if (DGifGetExtension(gif, &code, &extension) != GIF_OK)
            break;
        while (extension && DGifGetExtensionNext(gif, &extension) == GIF_OK) {
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

void GiflibEncode(const std::vector<GifPixelType>& pixels, const ColorMapObject* map, int width,
                  int height, std::vector<std::uint8_t>& out) {
    out.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendBytes, &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()), width * height);
    EGifCloseFile(gif, &error);
}

struct Timing {
    double ours = 0;   // median ms per operation
    double giflib = 0; // median ms per operation
};

// Runs the two operations in turn, samples × batch times each after one warm-up.
template <class Ours, class Theirs>
Timing Compare(int samples, int batch, Ours&& ours, Theirs&& theirs) {
    ours();
    theirs();
    std::vector<double> a, b;
    for (int i = 0; i < samples; ++i) {
        CStopwatch watch;
        for (int k = 0; k < batch; ++k)
            ours();
        a.push_back(watch.Millis() / batch);
        watch.Restart();
        for (int k = 0; k < batch; ++k)
            theirs();
        b.push_back(watch.Millis() / batch);
    }
    return {Median(a), Median(b)};
}

void PrintRow(const char* operation, int width, int height, const Timing& t) {
    const double megapixels = double(width) * height / 1e6;
    char size[32];
    std::snprintf(size, sizeof size, "%d x %d", width, height);
    std::printf("%-8s %-12s %9.3f %9.1f %9.3f %9.1f %7.2f\n", operation, size, t.ours,
                megapixels / (t.ours / 1e3), t.giflib, megapixels / (t.giflib / 1e3),
                t.giflib / t.ours);
}

// The photograph drawn at width × height (centred crop of its 4:3 part, area averaged)
// and written as GIF: the bytes of an 8-bit picture with the writer's own palette.
bool MakeGif(PxImage& photo, int width, int height, std::vector<std::uint8_t>& bytes) {
    const int pw = int(photo.GetWidth()), ph = int(photo.GetHeight());
    const int cw = std::min(pw, ph * 4 / 3), chh = std::min(ph, pw * 3 / 4);
    const CRect source((pw - cw) / 2, (ph - chh) / 2, (pw - cw) / 2 + cw, (ph - chh) / 2 + chh);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(dc, width, height))
        return false;
    dc.SelectObject(&bitmap);
    dc.SetStretchBltMode(HALFTONE);
    const int lines = dc.StretchDIBits(0, 0, width, height, source.left, source.top, cw, chh,
                                       photo.GetBits(), photo.GetHeader(), DIB_RGB_COLORS, SRCCOPY);
    dc.SelectObject(nullptr);
    PxDib drawn;
    PxGif gif;
    CMemFile file;
    if (lines == 0 || !drawn.CreateFromBitmap(dc, bitmap) || !gif.CopyFrom(drawn) ||
        !gif.SaveToFile(file))
        return false;
    bytes.assign(file.Data().begin(), file.Data().end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::int64_t runs = 15;
    std::string photoPath = "../shared/testdata/photos/LadyBird.jpg";
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
            if (option == "--runs")
                return ParseInteger(value, 1, 10000, runs);
            if (option != "--photo")
                return false;
            photoPath = value;
            return true;
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_gif [--runs N] [--photo PICTURE]\n");
        return 2;
    }
    std::unique_ptr<PxImage> photo = CreateImageForType(ImageTypeFromPath(photoPath));
    if (!photo || !photo->LoadFromPath(photoPath)) {
        std::fprintf(stderr, "%s: cannot be read\n", photoPath.c_str());
        return 1;
    }
    std::printf("photo %s (%u x %u); %lld samples per case; load average %.2f\n", photoPath.c_str(),
                photo->GetWidth(), photo->GetHeight(), static_cast<long long>(runs), LoadAverage());
    std::printf("%-8s %-12s %9s %9s %9s %9s %7s\n", "", "picture", "ours ms", "ours MP/s",
                "giflib ms", "gl MP/s", "ratio");

    const int sizes[][2] = {{640, 480}, {1600, 1200}, {92, 69}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        std::vector<std::uint8_t> bytes;
        if (!MakeGif(*photo, w, h, bytes)) {
            std::fprintf(stderr, "%d x %d: the picture cannot be made\n", w, h);
            return 1;
        }
        CMemFile input;
        input.Write(bytes.data(), bytes.size());
        PxGif image;
        input.SeekToBegin();
        std::vector<GifPixelType> pixels(std::size_t(w) * h);
        if (!image.LoadFromFile(input) || !GiflibDecode(bytes, pixels)) {
            std::fprintf(stderr, "%d x %d: the picture does not decode\n", w, h);
            return 1;
        }
        // Both decoders must agree before their speed means anything.
        const std::uint64_t pitch = PxImage::PaddedRowBytes(8, w);
        for (int y = 0; y < h; ++y)
            if (std::memcmp(&image.GetBits()[(h - 1 - y) * pitch], &pixels[std::size_t(y) * w],
                            w) != 0) {
                std::fprintf(stderr, "%d x %d: decoders disagree on row %d\n", w, h, y);
                return 1;
            }
        const int batch = std::max(1, 2'000'000 / (w * h));

        const Timing decode = Compare(
            int(runs), batch,
            [&] {
                input.SeekToBegin();
                PxGif decoded;
                decoded.LoadFromFile(input);
            },
            [&] { GiflibDecode(bytes, pixels); });
        PrintRow("decode", w, h, decode);

        GifColorType colors[256];
        const auto table = image.GetColorTable();
        for (int i = 0; i < 256; ++i)
            colors[i] = {table[i * 4 + 2], table[i * 4 + 1], table[i * 4]};
        ColorMapObject* map = GifMakeMapObject(256, colors);
        CMemFile output;
        std::vector<std::uint8_t> theirs;
        theirs.reserve(bytes.size() * 2);
        const Timing encode = Compare(
            int(runs), batch,
            [&] {
                output.SetLength(0);
                output.SeekToBegin();
                image.SaveToFile(output);
            },
            [&] { GiflibEncode(pixels, map, w, h, theirs); });
        GifFreeMapObject(map);
        // Our file must read in giflib as the picture it was made from.
        std::vector<GifPixelType> check(pixels.size());
        if (!GiflibDecode(output.Data(), check) || check != pixels) {
            std::fprintf(stderr, "%d x %d: giflib reads our file differently\n", w, h);
            return 1;
        }
        PrintRow("encode", w, h, encode);
        std::printf("%-8s %-12s ours %zu bytes, giflib %zu bytes\n", "size", "",
                    std::size_t(output.GetLength()), theirs.size());
    }
    return 0;
}
