// bench_store: how fast pictures held in memory are stored into a picture database
// (CPictureDatabase::AddRecord, main file and index entries, in one batch of the kind the
// Add command opens, so synced once per 250 ms or 64 MB and at the end), against a
// reference that writes the same picture bytes with plain 2048-byte pwrite calls to a
// fresh file and syncs it once at the end, as `dd bs=2048 conv=fdatasync` does. The
// program also runs with the file layer's syncs switched off (CFile::SetSyncEnabled, a
// switch for benchmarks only): durable over undurable is what the syncs cost when nothing
// but storing is done.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-bench --target bench_store
//   build-bench/bench/bench_store --records 1000 --size 1048576
//
// Options: --records N (default 1000), --size BYTES (default 1048576), --dir FOLDER (where
// the scratch folder is made). Program, program without syncs and reference run three
// times each, in turn;
// the table gives every run and the medians. MB/s counts picture bytes (2^20 per MB) for
// both, so the ratio compares the time each needs to put the same pictures on disk.
#include "bench/BenchUtil.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/CommitBatch.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int runCount = 3;
constexpr std::int64_t referenceBlock = 2048;

struct Options {
    std::int64_t records = 1000;
    std::int64_t size = 1 << 20;
    std::string dir;
};

void PrintUsage() {
    std::fprintf(stderr, "usage: bench_store [--records N] [--size BYTES] [--dir FOLDER]\n"
                         "  N from 1 to 1000000, BYTES from 0 to 1073741824\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records")
            return ParseInteger(value, 1, 1000000, options.records);
        if (option == "--size")
            return ParseInteger(value, 0, std::int64_t{1} << 30, options.size);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

// Bytes without runs or structure, as compressed picture data looks (xorshift64).
std::vector<std::uint8_t> MakePictureBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// Blocks the main file takes: header, then per record a head and floor(size / 2032) + 1
// data blocks (a picture filling its last block exactly ends with an empty one).
std::int64_t MainFileBlocks(const Options& options) {
    std::int64_t perRecord = 1 + options.size / MainFormat::payloadSize + 1;
    return 1 + options.records * perRecord;
}

std::int64_t ReferenceBytes(const Options& options) {
    std::int64_t blocks = (options.size + referenceBlock - 1) / referenceBlock + 1;
    return options.records * blocks * referenceBlock;
}

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// Stores the picture options.records times into a fresh database and reads the last record
// back to make sure the time was spent on real work. Seconds, or -1 on failure.
double RunProgram(const CTempFolder& folder, int run, const Options& options, CMemFile& picture,
                  std::uint16_t crc, std::int64_t& fileBytes, bool durable = true) {
    std::string base = folder.Child((durable ? "store" : "nosync") + std::to_string(run));
    double seconds = -1;
    CFile::SetSyncEnabled(durable);
    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true)) {
            std::fprintf(stderr, "bench_store: cannot create the database %s\n", base.c_str());
            return -1;
        }
        CPictureDatabase::Keywords keywords = {"Holiday", "beach", "family"};
        char sourcePath[64];
        CStopwatch watch;
        CCommitBatch batch(database);
        for (std::int64_t i = 0; i < options.records; ++i) {
            std::snprintf(sourcePath, sizeof sourcePath, "/home/user/Pictures/IMG_%04d.JPG",
                          static_cast<int>(i % 10000));
            if (!database.AddRecord(picture, crc, sourcePath, 1700000000, 4000, 3000, keywords)) {
                std::fprintf(stderr, "bench_store: AddRecord failed at record %lld\n",
                             static_cast<long long>(i));
                return -1;
            }
        }
        if (!batch.Finish()) {
            std::fprintf(stderr, "bench_store: the last sync failed\n");
            return -1;
        }
        seconds = watch.Seconds();

        CIndexFile& index = database.Index();
        CMemFile readBack;
        CRecordHead head;
        if (!index.GoTo(index.GetLastInserted()) ||
            !database.ReadPicture(readBack, index.GetCurrentRecord(), head) || head.Crc() != crc ||
            !std::ranges::equal(readBack.Data(), picture.Data())) {
            std::fprintf(stderr, "bench_store: the last record does not read back as stored\n");
            seconds = -1;
        }
    }
    CFile::SetSyncEnabled(true);
    fileBytes = GetFileSize(base + ".PXM");
    RemoveFile(base + ".PXM");
    RemoveFile(base + ".PXI");
    return seconds;
}

bool WriteWhole(int fd, const std::uint8_t* bytes, std::size_t count, std::int64_t offset) {
    while (count > 0) {
        ssize_t written = ::pwrite(fd, bytes, count, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

// Writes, per record, one head block and the picture in 2048-byte blocks (the last padded
// with zeros), one pwrite each, into a fresh file, and syncs the file once at the end.
// Seconds, or -1 on failure.
double RunReference(const CTempFolder& folder, int run, const Options& options,
                    const std::vector<std::uint8_t>& bytes, std::int64_t& fileBytes) {
    std::string path = folder.Child("reference" + std::to_string(run) + ".bin");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "bench_store: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return -1;
    }
    std::array<std::uint8_t, referenceBlock> head{};
    std::array<std::uint8_t, referenceBlock> tail{};
    std::size_t fullBlocks = bytes.size() / referenceBlock;
    std::size_t rest = bytes.size() % referenceBlock;
    std::int64_t offset = 0;
    bool ok = true;

    CStopwatch watch;
    for (std::int64_t i = 0; i < options.records && ok; ++i) {
        head[0] = static_cast<std::uint8_t>(i);
        ok = WriteWhole(fd, head.data(), head.size(), offset);
        offset += referenceBlock;
        for (std::size_t k = 0; k < fullBlocks && ok; ++k, offset += referenceBlock)
            ok = WriteWhole(fd, bytes.data() + k * referenceBlock, referenceBlock, offset);
        if (rest > 0 && ok) {
            std::memcpy(tail.data(), bytes.data() + fullBlocks * referenceBlock, rest);
            ok = WriteWhole(fd, tail.data(), tail.size(), offset);
            offset += referenceBlock;
        }
    }
    ok = ok && ::fdatasync(fd) == 0;
    double seconds = watch.Seconds();
    if (!ok)
        std::fprintf(stderr, "bench_store: writing %s failed: %s\n", path.c_str(),
                     std::strerror(errno));
    ::close(fd);
    fileBytes = GetFileSize(path);
    RemoveFile(path);
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 2;
    }
    if (MainFileBlocks(options) > MainFormat::maxBlocks) {
        std::fprintf(stderr,
                     "bench_store: %lld records of %lld bytes do not fit in one main "
                     "file (%d blocks at most)\n",
                     static_cast<long long>(options.records), static_cast<long long>(options.size),
                     MainFormat::maxBlocks);
        return 2;
    }
    CTempFolder folder(options.dir);
    if (!folder.IsValid()) {
        std::fprintf(stderr, "bench_store: cannot make a scratch folder\n");
        return 1;
    }
    std::int64_t needed =
        std::max(MainFileBlocks(options) * MainFormat::blockSize, ReferenceBytes(options));
    if (!CheckFreeSpace(folder.Path(), static_cast<std::uint64_t>(needed) + (64 << 20))) {
        std::fprintf(stderr, "bench_store: not enough free space in %s for %lld bytes\n",
                     folder.Path().c_str(), static_cast<long long>(needed));
        return 1;
    }

    std::vector<std::uint8_t> bytes = MakePictureBytes(static_cast<std::size_t>(options.size));
    CMemFile picture;
    picture.Write(bytes.data(), bytes.size());
    std::uint16_t crc = UpdateCrc16(0, bytes);

    double megabytes =
        static_cast<double>(options.records) * static_cast<double>(options.size) / bytesPerMegabyte;
    std::printf("bench_store: %lld records of %lld bytes (%.1f MB of pictures), %d runs each\n",
                static_cast<long long>(options.records), static_cast<long long>(options.size),
                megabytes, runCount);
    std::printf("scratch folder: %s, load average %.2f\n\n", folder.Path().c_str(), LoadAverage());
    std::printf("%-8s %12s %10s %14s %10s %8s %12s %8s\n", "run", "program s", "MB/s",
                "reference s", "MB/s", "ratio", "no sync s", "dur/non");

    // Rates and ratios come from the times, so that empty pictures (no megabytes) still
    // compare the two; the ratio is reference time over program time, as MB/s compare.
    auto rate = [&](double seconds) { return megabytes / std::max(seconds, 1e-9); };
    auto ratio = [](double program, double reference) {
        return std::max(reference, 1e-9) / std::max(program, 1e-9);
    };
    std::vector<double> programTimes, referenceTimes, undurableTimes, pairedRatios;
    std::int64_t mainBytes = 0, referenceBytes = 0, undurableBytes = 0;
    for (int run = 1; run <= runCount; ++run) {
        // Start each timed phase without the previous phase's writes still going to disk.
        ::sync();
        double program = RunProgram(folder, run, options, picture, crc, mainBytes);
        ::sync();
        double undurable = RunProgram(folder, run, options, picture, crc, undurableBytes, false);
        ::sync();
        double reference = RunReference(folder, run, options, bytes, referenceBytes);
        if (program < 0 || undurable < 0 || reference < 0)
            return 1;
        programTimes.push_back(program);
        referenceTimes.push_back(reference);
        undurableTimes.push_back(undurable);
        pairedRatios.push_back(ratio(program, reference));
        std::printf("%-8d %12.3f %10.1f %14.3f %10.1f %8.2f %12.3f %8.2f\n", run, program,
                    rate(program), reference, rate(reference), pairedRatios.back(), undurable,
                    program / std::max(undurable, 1e-9));
    }
    double programMedian = Median(programTimes);
    double referenceMedian = Median(referenceTimes);
    double undurableMedian = Median(undurableTimes);
    double medianRatio = ratio(programMedian, referenceMedian);
    std::printf("%-8s %12.3f %10.1f %14.3f %10.1f %8.2f %12.3f %8.2f\n", "median", programMedian,
                rate(programMedian), referenceMedian, rate(referenceMedian), medianRatio,
                undurableMedian, programMedian / std::max(undurableMedian, 1e-9));
    std::printf("\nmain file %lld bytes, reference file %lld bytes\n",
                static_cast<long long>(mainBytes), static_cast<long long>(referenceBytes));
    // The runs of a pair follow each other, so their ratio is the steadier figure on a busy
    // machine; the aim applies to the ratio of the medians.
    std::printf("program/reference: %.2f (aim 0.80 or better)%s; median of the paired runs %.2f\n",
                medianRatio, medianRatio >= 0.8 ? "" : "  BELOW AIM", Median(pairedRatios));
    std::printf("durable/undurable: %.2f; %.2f ms of syncs per record\n",
                programMedian / std::max(undurableMedian, 1e-9),
                (programMedian - undurableMedian) * 1e3 / static_cast<double>(options.records));
    return 0;
}
