// bench_verify: the integrity check (VerifyDatabase) of large databases. For each size in
// --records (default 10000 and 50000) it builds a database of small pictures: 24-bit BMPs
// of 32 to 47 x 30 pixels (about 3 to 4.3 KB, two or three blocks), each with a stored GIF
// thumbnail made by MakeThumbnail (16 different ones, made once) and three keywords of
// the shared vocabulary. Heads and chains go to the main file through CMainFile; the index
// is written in one go with CIndexBuilder, byte for byte what adding the records one by
// one would leave.
//
// Timed, in milliseconds (median of --runs runs, and the first run): the quick check, the
// full check with every thumbnail decoded (also its processor time, since the machine may
// be busy) and without decoding, against the reference of reading both files front to
// back in 2 MB pieces in the same run. The aims: the quick check under
// 200 ms at 10,000 records, the full check a small multiple of the plain read.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-verify-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-verify-rel --target bench_verify
//   build-verify-rel/bench/bench_verify --records 10000,50000 --runs 5
//
// Options: --records N[,N...] (each 1 to 200000), --runs N (1 to 100), --dir FOLDER (where
// the scratch folder is made). The data are the same on every run (fixed seed).
#include "bench/BenchUtil.h"
#include "bench/KeywordVocabulary.h"
#include "collection/VerifyDatabase.h"
#include "imaging/PxDib.h"
#include "imaging/Thumbnail.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/Crc16.h"
#include "storage/IndexBuilder.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int thumbnailVariants = 16;

struct Options {
    std::vector<std::int64_t> records = {10000, 50000};
    std::int64_t runs = 5;
    std::string dir;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records") {
            options.records.clear();
            for (std::size_t at = 0; at <= value.size();) {
                const std::size_t comma = std::min(value.find(',', at), value.size());
                std::int64_t count = 0;
                if (!ParseInteger(value.substr(at, comma - at), 1, 200000, count))
                    return false;
                options.records.push_back(count);
                at = comma + 1;
            }
            return true;
        }
        if (option == "--runs")
            return ParseInteger(value, 1, 100, options.runs);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

// Shows the storage's messages; a benchmark that meets one has gone wrong.
class CReportingPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "bench_verify: message: %.*s\n", static_cast<int>(text.size()),
                     text.data());
    }
    bool AskYesNo(std::string_view text) override {
        ShowMessage(text);
        return false;
    }
};

// A bottom-up 24-bit BMP of width x height pixels whose colours follow seed.
std::vector<std::uint8_t> MakeBmp(std::uint32_t width, std::uint32_t height, unsigned seed) {
    const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t size = 54 + rowBytes * height;
    std::vector<std::uint8_t> bytes(size, 0);
    auto put = [&](std::size_t at, std::uint32_t value, int count) {
        for (int k = 0; k < count; ++k)
            bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, rowBytes * height, 4);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width * 3; ++x)
            bytes[54 + y * rowBytes + x] = static_cast<std::uint8_t>(seed * 37 + x * 5 + y * 3);
    return bytes;
}

// The thumbnail MakeThumbnail makes of bmp; empty when it fails.
std::vector<std::uint8_t> MakeGifThumbnail(const std::vector<std::uint8_t>& bmp) {
    CMemFile source;
    source.Write(bmp.data(), bmp.size());
    source.SeekToBegin();
    PxDib picture;
    CMemFile output;
    bool made = false;
    if (!picture.LoadFromFile(source) || !MakeThumbnail(picture, 2, output, made) || !made)
        return {};
    const auto data = output.Data();
    return {data.begin(), data.end()};
}

// Writes a database of `records` records at base; false after a message.
bool BuildDatabase(const std::string& base, std::int64_t records) {
    std::mt19937_64 random(20261206);
    CZipfWords words(random);
    std::vector<std::vector<std::uint8_t>> thumbnails;
    for (int v = 0; v < thumbnailVariants; ++v) {
        thumbnails.push_back(MakeGifThumbnail(MakeBmp(32 + v, 30, unsigned(v))));
        if (thumbnails.back().empty()) {
            std::fprintf(stderr, "bench_verify: no thumbnail could be made\n");
            return false;
        }
    }
    CIndexBuilder builder;
    CPictureDatabase database;
    if (!database.OpenDatabase(base, true))
        return false;
    for (std::int64_t i = 0; i < records; ++i) {
        const std::uint32_t width = 32 + std::uint32_t(i % thumbnailVariants);
        const std::vector<std::uint8_t> bmp = MakeBmp(width, 30, unsigned(i));
        CMemFile picture;
        picture.Write(bmp.data(), bmp.size());
        CRecordHead head;
        head.SetCrc(UpdateCrc16(0, bmp));
        head.SetFileName("IMG_" + std::to_string(10000 + i % 9000) + ".BMP");
        head.SetDateSaved(std::int32_t(1100000000 + i * 7));
        head.SetDateImageCreated(std::int32_t(1099000000 + i * 5));
        for (int slot = 0; slot < 3; ++slot)
            head.SetKeyword(slot, words.Draw(random));
        head.SetDataSize(std::uint32_t(bmp.size()));
        head.SetWidth(width);
        head.SetHeight(30);
        std::int32_t block = -1;
        CMemFile thumbnail;
        const auto& gif = thumbnails[std::size_t(i % thumbnailVariants)];
        thumbnail.Write(gif.data(), gif.size());
        if (!database.Main().AppendRecord(picture, block, head) ||
            !database.Main().StoreThumbnailChain(thumbnail, block))
            return false;
        for (const std::string& key : RecordKeys(head))
            builder.Add(key, block);
    }
    database.Close();
    std::remove((base + ".PXI").c_str());
    return builder.Write(base + ".PXI") == 1;
}

// Reads path front to back in 2 MB pieces; the bytes read, -1 on failure.
std::int64_t ReadFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return -1;
    std::vector<char> buffer(std::size_t{2} << 20);
    std::int64_t total = 0;
    for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += got;
    ::close(fd);
    return total;
}

struct Timing {
    std::vector<double> millis;
    double Median() const { return ::Median(millis); }
};

bool Measure(const Options& options, const CTempFolder& folder, std::int64_t records) {
    const std::string base = folder.Child("bench" + std::to_string(records));
    CStopwatch watch;
    if (!BuildDatabase(base, records))
        return false;
    const double buildSeconds = watch.Seconds();
    const double megabytes =
        double(GetFileSize(base + ".PXM") + GetFileSize(base + ".PXI")) / bytesPerMegabyte;
    std::printf("%lld records: built in %.2f s, %.1f MB (main %lld blocks, index %lld entries)\n",
                static_cast<long long>(records), buildSeconds, megabytes,
                static_cast<long long>(GetFileSize(base + ".PXM") / 2048),
                static_cast<long long>((GetFileSize(base + ".PXI") - 32792) / 52));

    Timing quick, full, bare, read;
    std::vector<double> fullCpu;
    for (std::int64_t run = 0; run < options.runs; ++run) {
        watch.Restart();
        if (ReadFile(base + ".PXM") < 0 || ReadFile(base + ".PXI") < 0)
            return false;
        read.millis.push_back(watch.Millis());

        watch.Restart();
        const DatabaseCheckResult fast = VerifyDatabase(base, true);
        quick.millis.push_back(watch.Millis());

        watch.Restart();
        const DatabaseCheckResult bareResult = CheckDatabase(base, false);
        bare.millis.push_back(watch.Millis());

        watch.Restart();
        const double cpu = ProcessCpuSeconds();
        const DatabaseCheckResult result = VerifyDatabase(base, false);
        full.millis.push_back(watch.Millis());
        fullCpu.push_back((ProcessCpuSeconds() - cpu) * 1e3);
        if (!fast.Clean() || !bareResult.Clean() || !result.Clean() || result.records != records) {
            std::fprintf(stderr, "bench_verify: the check found %zu problems, %d records\n",
                         result.problems.size(), result.records);
            for (std::size_t i = 0; i < result.problems.size() && i < 5; ++i)
                std::fprintf(stderr, "  %s\n", result.problems[i].c_str());
            return false;
        }
    }
    std::printf("  quick check   %9.2f ms (first run %.2f ms)\n", quick.Median(),
                quick.millis.front());
    std::printf("  full check    %9.2f ms (first run %.2f ms), %.0f MB/s, %.1f us per record\n",
                full.Median(), full.millis.front(), megabytes / (full.Median() / 1e3),
                full.Median() * 1e3 / double(records));
    std::printf("  full check, processor time %.2f ms\n", ::Median(fullCpu));
    std::printf("  without decoding thumbnails %.2f ms\n", bare.Median());
    std::printf("  plain read    %9.2f ms; full check / plain read = %.1f\n", read.Median(),
                full.Median() / read.Median());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_verify [--records N[,N...]] [--runs N] [--dir FOLDER]\n"
                             "  N 1 to 200000 records, runs 1 to 100\n");
        return 2;
    }
    CReportingPrompt prompt;
    CScopedPrompt scope(prompt);
    CTempFolder folder(options.dir);
    if (!folder.IsValid()) {
        std::fprintf(stderr, "bench_verify: cannot make a scratch folder\n");
        return 1;
    }
    std::printf("bench_verify: %lld runs, load average %.2f\n",
                static_cast<long long>(options.runs), LoadAverage());
    for (std::int64_t records : options.records)
        if (!Measure(options, folder, records))
            return 1;
    return 0;
}
