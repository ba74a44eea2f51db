// bench_reconstruct: the two reconstructions of a picture database.
//  - Index reconstruction (BuildIndexFromMain) of a database of --records records: heads
//    with tiny pictures written straight to the main file (camera and holiday names with
//    case variants, dates increasing from a few 9-digit ones, random CRCs, 0 to 6 keywords
//    of a skewed vocabulary). Its parts are timed apart: reading the heads and forming their
//    keys, the bulk build in memory, and writing the file. Then, for --verify-records
//    records, the index that inserting the entries one by one writes
//    (CPictureDatabase::AddRecordEntries, as adding pictures does) is compared byte for byte
//    with the reconstruction's.
//  - Main-file reconstruction (BuildMainCopy) of a database of --main-records pictures of
//    --size bytes (about 1 GB by default), each with a 3,000-byte thumbnail, none deleted,
//    against copying the main file with 2048-byte read and write calls, alternating, in
//    the same run. The ratio is the copy's time over the reconstruction's. Free space is
//    checked first; when it is short, the number of pictures is scaled down with a note.
// Every timed phase starts after sync, so the previous phase's writes are not still going
// to disk; the timings themselves do not wait for the disk.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-bench6 -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-bench6 --target bench_reconstruct
//   build-bench6/bench/bench_reconstruct --records 50000 --verify-records 5000 --runs 3
//   build-bench6/bench/bench_reconstruct --records 0 --main-records 1000 --size 1048576
//
// Options: --records N (default 50000; 0 skips the index part), --verify-records N (default
// 5000; 0 skips the comparison), --main-records N (default 1000; 0 skips the main-file
// part), --size BYTES (default 1048576), --runs N (default 3), --dir FOLDER (where the
// scratch folder is made). The data are the same on every run (fixed seed).
#include "bench/BenchUtil.h"
#include "bench/QuietDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/IndexBuilder.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "storage/Reconstruction.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::int64_t thumbnailBytes = 3000;
constexpr std::int64_t tinyPictureBytes = 600;
constexpr std::size_t copyBlock = 2048;

struct Options {
    std::int64_t records = 50000;
    std::int64_t verifyRecords = 5000;
    std::int64_t mainRecords = 1000;
    std::int64_t size = 1 << 20;
    std::int64_t runs = 3;
    std::string dir;
};

void PrintUsage() {
    std::fprintf(stderr, "usage: bench_reconstruct [--records N] [--verify-records N] "
                         "[--main-records N] [--size BYTES] [--runs N] [--dir FOLDER]\n"
                         "  records 0 to 500000, main records 0 to 100000, BYTES 0 to "
                         "268435456, runs 1 to 100\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records")
            return ParseInteger(value, 0, 500000, options.records);
        if (option == "--verify-records")
            return ParseInteger(value, 0, 500000, options.verifyRecords);
        if (option == "--main-records")
            return ParseInteger(value, 0, 100000, options.mainRecords);
        if (option == "--size")
            return ParseInteger(value, 0, std::int64_t{1} << 28, options.size);
        if (option == "--runs")
            return ParseInteger(value, 1, 100, options.runs);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

// Counts the steps and keeps the last one told.
class CCountingProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t done, std::int32_t total) override {
        ++m_steps;
        m_done = done;
        m_total = total;
    }
    std::int64_t m_steps = 0;
    std::int32_t m_done = 0, m_total = 0;
};

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// The database's files as created from base (either spelling of the extension).
std::string ExistingFile(const std::string& base, const char* upper, const char* lower) {
    return FileExists(base + upper) ? base + upper : base + lower;
}

// ---- Index reconstruction ----

constexpr const char* vocabulary[] = {
    "Anna",      "Tom",
    "Maria",     "Grandma",
    "family",    "friends",
    "kids",      "Paris",
    "Rome",      "London",
    "Venice",    "Alps",
    "Crete",     "Tuscany",
    "Kyoto",     "holiday",
    "vacation",  "birthday",
    "wedding",   "Christmas",
    "Easter",    "party",
    "beach",     "Beach",
    "sea",       "mountain",
    "forest",    "lake",
    "sunset",    "SUNSET",
    "sky",       "snow",
    "winter",    "summer",
    "autumn",    "flowers",
    "tree",      "cat",
    "dog",       "horse",
    "car",       "train",
    "boat",      "bridge",
    "castle",    "church",
    "city",      "village",
    "food",      "cake",
    "portrait",  "landscape",
    "macro",     "panorama",
    "scan",      "old photos",
    "favourite", "to print",
    "Köln",      "Málaga",
    "2003",      "2004",
    "2005",      "a very long keyword that is longer than its field allows"};

// Heads of a collection: sessions of one camera or folder, seconds apart, days between
// sessions; camera counters wrap at 9999, so names repeat.
std::vector<CRecordHead> MakeHeads(std::int64_t count, std::mt19937_64& random) {
    std::vector<CRecordHead> heads;
    heads.reserve(static_cast<std::size_t>(count));
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // Word k drawn with weight 1 / (k + 1).
    std::vector<double> weights;
    for (std::size_t k = 0; k < std::size(vocabulary); ++k)
        weights.push_back(1.0 / static_cast<double>(k + 1));
    std::discrete_distribution<int> pickWord(weights.begin(), weights.end());
    std::discrete_distribution<int> pickKeywordCount({25, 20, 18, 14, 10, 7, 6});
    std::array<int, 4> counters = {below(9999), below(9999), below(9999), 0};
    std::int64_t date = 999999000;
    char name[96];
    while (static_cast<std::int64_t>(heads.size()) < count) {
        const int source = below(5);
        const int size = 5 + below(140);
        date += 3600 + below(4 * 86400);
        const int year = static_cast<int>(1970 + date / 31556952);
        for (int k = 0; k < size && static_cast<std::int64_t>(heads.size()) < count; ++k) {
            date += below(4);
            int& counter = counters[static_cast<std::size_t>(std::min(source, 3))];
            counter = counter % 9999 + 1;
            switch (source) {
            case 0:
                std::snprintf(name, sizeof name, "IMG_%04d.JPG", counter);
                break;
            case 1:
                std::snprintf(name, sizeof name, "img_%04d.jpg", counter);
                break;
            case 2:
                std::snprintf(name, sizeof name, "DSC%05d.JPG", counter);
                break;
            case 3:
                std::snprintf(name, sizeof name, "Holiday %d Lake Garda and the Dolomites %03d.jpg",
                              year, k + 1);
                break;
            default:
                std::snprintf(name, sizeof name, k % 2 ? "scan%04d.tif" : "Scan%04d.TIF", counter);
                break;
            }
            CRecordHead head;
            head.SetCrc(static_cast<std::uint16_t>(random()));
            head.SetFileName(name);
            head.SetDateSaved(static_cast<std::int32_t>(date));
            head.SetDateImageCreated(static_cast<std::int32_t>(date - below(60 * 86400)));
            const int wanted = pickKeywordCount(random);
            int slot = 0;
            for (int tries = 0; slot < wanted && tries < 50; ++tries) {
                const char* word = vocabulary[pickWord(random)];
                bool taken = false;
                for (int s = 0; s < slot; ++s)
                    taken = taken || head.Keyword(s) == word;
                if (!taken)
                    head.SetKeyword(slot++, word);
            }
            head.SetDataSize(static_cast<std::uint32_t>(tinyPictureBytes));
            head.SetThumbnailBlock(0);
            head.SetWidth(1600);
            head.SetHeight(1200);
            heads.push_back(head);
        }
    }
    return heads;
}

// Creates the database at base and appends the heads, each with a tiny picture; the head
// blocks go to blocks. With entries, every record's entries are inserted one by one after
// its head, as adding pictures does, and insertSeconds receives their time.
bool FillDatabase(CPictureDatabase& database, const std::string& base,
                  std::vector<CRecordHead>& heads, std::vector<std::int32_t>& blocks, bool entries,
                  double& insertSeconds) {
    if (!database.OpenDatabase(base, true)) {
        std::fprintf(stderr, "bench_reconstruct: cannot create the database %s\n", base.c_str());
        return false;
    }
    CMemFile tiny;
    const std::vector<std::uint8_t> tinyBytes(static_cast<std::size_t>(tinyPictureBytes), 0x5A);
    tiny.Write(tinyBytes.data(), tinyBytes.size());
    blocks.assign(heads.size(), -1);
    insertSeconds = 0;
    for (std::size_t i = 0; i < heads.size(); ++i) {
        if (!database.Main().AppendRecord(tiny, blocks[i], heads[i])) {
            std::fprintf(stderr, "bench_reconstruct: writing head %zu failed\n", i);
            return false;
        }
        if (entries) {
            CStopwatch watch;
            const bool ok = database.AddRecordEntries(heads[i], blocks[i]);
            insertSeconds += watch.Seconds();
            if (!ok) {
                std::fprintf(stderr, "bench_reconstruct: AddRecordEntries failed at %zu\n", i);
                return false;
            }
        }
    }
    return true;
}

bool BenchIndex(const Options& options, const CTempFolder& folder, CCountingPrompt& prompt) {
    std::mt19937_64 random(20010909);
    std::vector<CRecordHead> heads = MakeHeads(options.records, random);
    std::vector<std::int32_t> blocks;
    std::int64_t keys = 0;
    for (const CRecordHead& head : heads)
        keys += static_cast<std::int64_t>(RecordKeys(head).size());
    std::printf("== index reconstruction: %lld records, %lld keys, load average %.2f\n",
                static_cast<long long>(heads.size()), static_cast<long long>(keys), LoadAverage());

    const std::string base = folder.Child("index");
    CPictureDatabase database;
    double unused = 0;
    CStopwatch watch;
    if (!FillDatabase(database, base, heads, blocks, false, unused))
        return false;
    std::printf("   main file of heads and tiny pictures written in %.3f s (%d blocks)\n",
                watch.Seconds(), database.Main().BlockCount());

    std::vector<double> builds;
    std::int64_t indexBytes = 0;
    for (int run = 1; run <= options.runs; ++run) {
        const std::string path = folder.Child(Format("rebuilt%d.pxi", run));
        CCountingProgress progress;
        ::sync();
        watch.Restart();
        const int built = BuildIndexFromMain(database, path, progress);
        builds.push_back(watch.Seconds());
        indexBytes = GetFileSize(path);
        RemoveFile(path);
        if (!built || progress.m_total != database.Main().BlockCount() ||
            progress.m_done != progress.m_total - 1) {
            std::fprintf(stderr,
                         "bench_reconstruct: BuildIndexFromMain failed (%d, progress "
                         "%d / %d)\n",
                         built, progress.m_done, progress.m_total);
            return false;
        }
        std::printf("   run %d: BuildIndexFromMain %.3f s\n", run, builds.back());
    }
    const std::int64_t expectedBytes = IndexFormat::headerSize + keys * IndexFormat::entrySize;

    // The same work in its three parts.
    watch.Restart();
    CIndexBuilder builder;
    const std::int32_t n = database.Main().BlockCount();
    std::vector<std::uint8_t> chunk(512 * MainFormat::blockSize);
    for (std::int32_t first = 1; first < n; first += 512) {
        const std::int32_t count = std::min(512, n - first);
        if (!database.Main().ReadBlocks(chunk.data(), first, count))
            return false;
        for (std::int32_t k = 0; k < count; ++k) {
            CRecordHead head;
            std::copy_n(chunk.data() + std::size_t(k) * MainFormat::blockSize,
                        MainFormat::blockSize, head.Bytes());
            if (head.Kind() == 1)
                for (const std::string& key : RecordKeys(head))
                    builder.Add(key, first + k);
        }
    }
    const double scan = watch.Seconds();
    watch.Restart();
    const std::vector<std::uint8_t> bytes = builder.Build();
    const double build = watch.Seconds();
    const std::string path = folder.Child("parts.pxi");
    ::sync();
    watch.Restart();
    CFile file;
    file.Open(path, CFile::modeReadWrite | CFile::shareDenyWrite | CFile::modeCreate);
    file.WriteAt(bytes.data(), bytes.size(), 0);
    file.Close();
    const double write = watch.Seconds();
    RemoveFile(path);
    database.Close();
    RemoveDatabase(base);

    const double median = Median(builds);
    std::printf("BuildIndexFromMain: median %.3f s, fastest %.3f s (aim under 2 s)%s; index "
                "%lld bytes%s\n",
                median, *std::min_element(builds.begin(), builds.end()),
                median < 2 ? "" : "  MISSED", static_cast<long long>(indexBytes),
                indexBytes == expectedBytes ? "" : "  UNEXPECTED SIZE");
    std::printf("   parts: heads read and keys formed %.3f s, bulk build in memory %.3f s, "
                "file written %.3f s\n\n",
                scan, build, write);
    if (prompt.Count() != 0)
        return false;

    if (options.verifyRecords == 0)
        return true;
    std::mt19937_64 again(19990909);
    std::vector<CRecordHead> verifyHeads = MakeHeads(options.verifyRecords, again);
    const std::string verifyBase = folder.Child("onebyone");
    const std::string rebuilt = folder.Child("onebyone-rebuilt.pxi");
    double insertSeconds = 0;
    std::string indexPath;
    bool ok = true;
    {
        CPictureDatabase onebyone;
        ok = FillDatabase(onebyone, verifyBase, verifyHeads, blocks, true, insertSeconds);
        CCountingProgress progress;
        watch.Restart();
        ok = ok && BuildIndexFromMain(onebyone, rebuilt, progress);
        const double buildSeconds = watch.Seconds();
        if (ok)
            std::printf("== %lld records: entries inserted one by one %.3f s, "
                        "BuildIndexFromMain %.3f s\n",
                        static_cast<long long>(verifyHeads.size()), insertSeconds, buildSeconds);
    }
    indexPath = ExistingFile(verifyBase, ".PXI", ".pxi");
    std::vector<std::uint8_t> inserted, reconstructed;
    ok = ok && ReadWholeFile(indexPath, inserted) && ReadWholeFile(rebuilt, reconstructed);
    RemoveFile(rebuilt);
    RemoveDatabase(verifyBase);
    if (!ok)
        return false;
    if (inserted == reconstructed) {
        std::printf("   the two index files are identical (%zu bytes)\n\n", inserted.size());
        return prompt.Count() == 0;
    }
    const auto [a, b] =
        std::mismatch(inserted.begin(), inserted.end(), reconstructed.begin(), reconstructed.end());
    std::printf("   THE INDEX FILES DIFFER: %zu bytes inserted one by one, %zu reconstructed, "
                "first difference at byte %td\n\n",
                inserted.size(), reconstructed.size(), a - inserted.begin());
    return false;
}

// ---- Main-file reconstruction ----

// Bytes without runs or structure, as compressed picture data looks (xorshift64).
std::vector<std::uint8_t> MakeBytes(std::size_t size, std::uint64_t state) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::int64_t ChainBlocks(std::int64_t bytes) {
    return bytes / MainFormat::payloadSize + 1;
}

std::int64_t MainFileBytes(std::int64_t records, std::int64_t size) {
    return (1 + records * (1 + ChainBlocks(size) + ChainBlocks(thumbnailBytes))) *
           MainFormat::blockSize;
}

bool WriteWhole(int fd, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies source to target with one 2048-byte read and one write per block. Seconds, -1 on
// failure.
double CopyBlockByBlock(const std::string& source, const std::string& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = in >= 0 && out >= 0;
    std::uint8_t block[copyBlock];
    CStopwatch watch;
    while (ok) {
        const ssize_t got = ::read(in, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = WriteWhole(out, block, static_cast<std::size_t>(got));
    }
    const double seconds = watch.Seconds();
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    if (!ok)
        std::fprintf(stderr, "bench_reconstruct: copying %s failed: %s\n", source.c_str(),
                     std::strerror(errno));
    return ok ? seconds : -1;
}

bool BenchMain(Options options, const CTempFolder& folder, CCountingPrompt& prompt) {
    // The source, the block copy and the reconstruction exist at the same time.
    std::int64_t records = options.mainRecords;
    const std::uint64_t margin = 256 << 20;
    auto fits = [&](std::int64_t count) {
        return CheckFreeSpace(folder.Path(),
                              static_cast<std::uint64_t>(3 * MainFileBytes(count, options.size)) +
                                  margin);
    };
    while (records > 1 && !fits(records))
        records /= 2;
    if (!fits(records)) {
        std::fprintf(stderr, "bench_reconstruct: not enough free space in %s\n",
                     folder.Path().c_str());
        return false;
    }
    if (records != options.mainRecords)
        std::printf("note: not enough free space for %lld pictures (three files of %.0f MB); "
                    "scaled down to %lld\n",
                    static_cast<long long>(options.mainRecords),
                    MainFileBytes(options.mainRecords, options.size) / bytesPerMegabyte,
                    static_cast<long long>(records));
    if (MainFileBytes(records, options.size) > MainFormat::maxFileSize) {
        std::fprintf(stderr,
                     "bench_reconstruct: %lld pictures of %lld bytes do not fit in a "
                     "main file\n",
                     static_cast<long long>(records), static_cast<long long>(options.size));
        return false;
    }

    const std::string base = folder.Child("big");
    std::printf("== main-file reconstruction: %lld pictures of %lld bytes with %lld-byte "
                "thumbnails, load average %.2f\n",
                static_cast<long long>(records), static_cast<long long>(options.size),
                static_cast<long long>(thumbnailBytes), LoadAverage());
    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true) || !database.SetPassword("secret"))
            return false;
        const std::vector<std::uint8_t> bytes =
            MakeBytes(static_cast<std::size_t>(options.size), 0x9E3779B97F4A7C15ULL);
        const std::vector<std::uint8_t> thumbBytes =
            MakeBytes(static_cast<std::size_t>(thumbnailBytes), 0x2545F4914F6CDD1DULL);
        CMemFile picture, thumbnail;
        picture.Write(bytes.data(), bytes.size());
        thumbnail.Write(thumbBytes.data(), thumbBytes.size());
        std::mt19937_64 random(4711);
        const CPictureDatabase::Keywords keywords = {"Holiday", "beach", "family"};
        CStopwatch watch;
        for (std::int64_t i = 0; i < records; ++i) {
            const std::string name = Format("/home/user/Pictures/IMG_%04d.JPG", int(i % 10000));
            CIndexFile& index = database.Index();
            if (!database.AddRecord(picture, static_cast<std::uint16_t>(random()), name, 1700000000,
                                    4000, 3000, keywords) ||
                !index.GoTo(index.GetLastInserted()) ||
                !database.SetThumbnail(&thumbnail, index.GetCurrentRecord(), true)) {
                std::fprintf(stderr, "bench_reconstruct: adding picture %lld failed\n",
                             static_cast<long long>(i));
                return false;
            }
        }
        std::printf("   database written in %.3f s\n", watch.Seconds());
    }
    const std::string mainPath = ExistingFile(base, ".PXM", ".pxm");
    const std::int64_t mainBytes = GetFileSize(mainPath);
    std::printf("   main file %lld bytes (%.1f MB)\n\n", static_cast<long long>(mainBytes),
                mainBytes / bytesPerMegabyte);

    // Opened again, as the reconstruction command finds it.
    CPictureDatabase database;
    if (!database.OpenDatabase(base, false) || database.IsReadOnly())
        return false;
    const std::int32_t sourceEntries = database.Index().EntryCount();

    std::printf("%-8s %16s %10s %14s %10s %8s\n", "run", "BuildMainCopy s", "MB/s", "block copy s",
                "MB/s", "ratio");
    const double megabytes = mainBytes / bytesPerMegabyte;
    std::vector<double> programs, copies, ratios;
    std::int64_t copyBytes = 0;
    for (int run = 1; run <= options.runs; ++run) {
        double program = -1, copy = -1;
        auto reconstruct = [&] {
            const std::string target = folder.Child(Format("rebuilt%d", run));
            CCountingProgress progress;
            ::sync();
            CStopwatch watch;
            const int built = BuildMainCopy(database, target, progress);
            program = watch.Seconds();
            // The copy holds every picture (none was deleted) with the password.
            CPictureDatabase result;
            std::string password;
            if (!built || !result.OpenDatabase(target, false) ||
                result.Index().EntryCount() != sourceEntries || !result.GetPassword(password) ||
                password != "secret" ||
                GetFileSize(ExistingFile(target, ".PXM", ".pxm")) != mainBytes ||
                progress.m_done != sourceEntries) {
                std::fprintf(stderr, "bench_reconstruct: BuildMainCopy failed or its copy "
                                     "differs\n");
                program = -1;
            }
            copyBytes = GetFileSize(ExistingFile(target, ".PXM", ".pxm"));
            result.Close();
            RemoveDatabase(target);
        };
        auto blockCopy = [&] {
            const std::string target = folder.Child(Format("copy%d.bin", run));
            ::sync();
            copy = CopyBlockByBlock(mainPath, target);
            if (GetFileSize(target) != mainBytes)
                copy = -1;
            RemoveFile(target);
        };
        if (run % 2 == 1)
            blockCopy(), reconstruct();
        else
            reconstruct(), blockCopy();
        if (program < 0 || copy < 0)
            return false;
        programs.push_back(program);
        copies.push_back(copy);
        ratios.push_back(copy / program);
        std::printf("%-8d %16.3f %10.1f %14.3f %10.1f %8.3f\n", run, program, megabytes / program,
                    copy, megabytes / copy, ratios.back());
    }
    const double program = Median(programs), copy = Median(copies);
    std::printf("%-8s %16.3f %10.1f %14.3f %10.1f %8.3f\n", "median", program, megabytes / program,
                copy, megabytes / copy, copy / program);
    std::printf("\nnew main file %lld bytes; block copy/BuildMainCopy: %.3f (aim 0.50 or "
                "better)%s; median of the paired runs %.3f\n",
                static_cast<long long>(copyBytes), copy / program,
                copy / program >= 0.5 ? "" : "  BELOW AIM", Median(ratios));
    database.Close();
    RemoveDatabase(base);
    return prompt.Count() == 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 2;
    }
    CTempFolder folder(options.dir);
    if (!folder.IsValid()) {
        std::fprintf(stderr, "bench_reconstruct: cannot make a scratch folder\n");
        return 1;
    }
    CCountingPrompt prompt("bench_reconstruct");
    CScopedPrompt scoped(prompt);
    std::printf("bench_reconstruct: scratch folder %s, load average %.2f\n\n",
                folder.Path().c_str(), LoadAverage());
    if (options.records > 0 && !BenchIndex(options, folder, prompt))
        return 1;
    if (options.mainRecords > 0 && !BenchMain(options, folder, prompt))
        return 1;
    std::printf("load average at the end %.2f\n", LoadAverage());
    return 0;
}
