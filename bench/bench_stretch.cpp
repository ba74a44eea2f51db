// bench_stretch: how fast the drawing device's StretchDIBits draws a 12-megapixel 24-bit
// picture (4272 x 2848, the size of the largest photo of the corpus) to a thumbnail of
// 92 x 69 and to a 1920 x 1080 screen in both stretch modes, against a plain memcpy of the
// same source bytes measured in the same run.
//
// The picture is made in memory (smooth gradients with noise), so the benchmark needs no
// decoder and no files:
//   cmake -S . -B build-img-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-img-rel --target bench_stretch
//   build-img-rel/bench/bench_stretch --runs 15
//
// Options: --runs N (default 15). Each case runs N times after one warm-up run; the table
// gives the median and the fastest run in milliseconds, source megapixels per second
// (10^6 pixels) at the median, and the median's ratio to the memcpy median.
#include "bench/BenchUtil.h"
#include "platform/DibFormat.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr int kWidth = 4272;
constexpr int kHeight = 2848;

struct Picture {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
};

Picture MakePicture() {
    Picture p;
    p.info.assign(kInfoHeaderSize, 0);
    BITMAPINFOHEADER h;
    h.biWidth = kWidth;
    h.biHeight = kHeight;
    h.biBitCount = 24;
    WriteInfoHeader(p.info.data(), h);
    const std::uint64_t pitch = DibRowBytes(24, kWidth);
    p.bits.assign(pitch * kHeight, 0);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = p.bits.data() + y * pitch;
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[3 * x] = static_cast<std::uint8_t>(x * 255 / kWidth + (noise >> 28));
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / kHeight + (noise >> 24 & 15));
            row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 28 + (noise >> 20 & 15));
        }
    }
    return p;
}

struct Timing {
    double median = 0;
    double fastest = 0;
};

template <class Run> Timing Measure(int runs, Run&& run) {
    run(); // warm-up: pages touched, caches and tables in place
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        CStopwatch watch;
        run();
        samples.push_back(watch.Millis());
    }
    return {Median(samples), Percentile(samples, 0)};
}

void PrintRow(const char* name, const Timing& t, double reference) {
    const double megapixels = double(kWidth) * kHeight / 1e6;
    std::printf("%-28s %9.2f %9.2f %10.0f %8.2f\n", name, t.median, t.fastest,
                megapixels / (t.median / 1e3), t.median / reference);
}

} // namespace

int main(int argc, char** argv) {
    std::int64_t runs = 15;
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
            return option == "--runs" && ParseInteger(value, 1, 10000, runs);
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_stretch [--runs N]\n");
        return 2;
    }
    const Picture picture = MakePicture();
    std::vector<std::uint8_t> copy(picture.bits.size(), 1);

    std::printf("source %d x %d, 24 bits, %.1f MB; %lld runs per case\n", kWidth, kHeight,
                picture.bits.size() / bytesPerMegabyte, static_cast<long long>(runs));
    std::printf("%-28s %9s %9s %10s %8s\n", "case", "median ms", "best ms", "src MP/s", "x memcpy");
    const Timing reference = Measure(int(runs), [&] {
        std::memcpy(copy.data(), picture.bits.data(), picture.bits.size());
        asm volatile("" : : "r"(copy.data()) : "memory"); // keep the copy
    });
    PrintRow("memcpy of the source bytes", reference, reference.median);

    const struct {
        const char* name;
        int w, h, mode;
    } cases[] = {
        {"HALFTONE to 92 x 69", 92, 69, HALFTONE},
        {"COLORONCOLOR to 92 x 69", 92, 69, COLORONCOLOR},
        {"HALFTONE to 1920 x 1080", 1920, 1080, HALFTONE},
        {"COLORONCOLOR to 1920 x 1080", 1920, 1080, COLORONCOLOR},
    };
    for (const auto& c : cases) {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap bitmap;
        if (!bitmap.CreateCompatibleBitmap(dc, c.w, c.h))
            return 1;
        dc.SelectObject(&bitmap);
        dc.SetStretchBltMode(c.mode);
        int lines = 0;
        Timing t = Measure(int(runs), [&] {
            lines = dc.StretchDIBits(0, 0, c.w, c.h, 0, 0, kWidth, kHeight, picture.bits,
                                     picture.info, DIB_RGB_COLORS, SRCCOPY);
        });
        dc.SelectObject(nullptr);
        if (lines != kHeight) {
            std::fprintf(stderr, "%s: StretchDIBits failed\n", c.name);
            return 1;
        }
        PrintRow(c.name, t, reference.median);
    }
    return 0;
}
