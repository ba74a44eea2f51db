// bench_document: the document's two paths that decode pictures, each against a plain
// libjpeg-turbo decoding of the same files measured in the same run (stdio source,
// blue-green-red rows into a new uncleared block per picture, as a plain program does; and,
// to show the decoding alone, into one block reused from picture to picture):
//  - adding pictures: the JPEG photographs of the corpus, copied into the scratch folder
//    until there are --pictures of them (each copy ends with a few bytes after its
//    end-of-image marker, chosen so that no two copies share checksum and size, so that
//    every one is stored), added by CAddPictures::AddPictures with dialogs that answer
//    "Save &all" with two keywords and No to "Minimize this window while saving?". The
//    command's time is given with and without its closing GoBottom (one more decode). The
//    same command runs once more per run with the file layer's syncs switched off
//    (CFile::SetSyncEnabled, a switch for benchmarks only): durable over undurable is what
//    putting every change on stable storage costs (aim: at most 1.10), and the syncs per
//    picture are counted there through the fault-injection switch. Its steps are then
//    timed one by one on the same files, in the same order and with the same
//    calls the flow makes (read into memory, CRC, decode, MakeThumbnail, AddRecord with
//    SetThumbnail into a second database), to show where the time goes;
//  - moving to the next record when it is the largest photograph (by pixels): a database
//    of two copies of it, added through the same command so that both have thumbnails;
//    every CPicdexDoc::GoNext reads the other record and decodes it. Also timed alone:
//    reading the record out of the main file (ReadPicture) and decoding it from memory.
//    This runs first, in a fresh process, and again after the add.
// Ratios are the library's time over the program's (1.0 = no cost beyond the decoding,
// higher is better). Minor page faults are counted beside the times: a block of a large
// picture that the allocator maps anew is touched page by page, and on a virtual machine
// that can cost more than the decoding itself.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-bench6 -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-bench6 --target bench_document
//   build-bench6/bench/bench_document --pictures 200 --runs 3 --moves 20
//
// Options: --pictures N (default 200), --runs N (default 3; the add and its references
// alternate, the step timings run once per run; the first run usually shows the allocator
// mapping memory anew, hence the medians), --moves N (default 20, after one untimed move),
// --data FOLDER (the corpus, default ../shared/testdata/ from the repository), --dir
// FOLDER (where the scratch folder is made).
#include "bench/BenchUtil.h"
#include "bench/PlainJpeg.h"
#include "bench/QuietDialogs.h"
#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageType.h"
#include "imaging/PxJpeg.h"
#include "imaging/Thumbnail.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

struct Options {
    std::int64_t pictures = 200;
    std::int64_t runs = 3;
    std::int64_t moves = 20;
    std::string data = "../shared/testdata/";
    std::string dir;
};

void PrintUsage() {
    std::fprintf(stderr, "usage: bench_document [--pictures N] [--runs N] [--moves N] "
                         "[--data FOLDER] [--dir FOLDER]\n"
                         "  pictures 1 to 10000, runs 1 to 100, moves 1 to 10000\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--pictures")
            return ParseInteger(value, 1, 10000, options.pictures);
        if (option == "--runs")
            return ParseInteger(value, 1, 100, options.runs);
        if (option == "--moves")
            return ParseInteger(value, 1, 10000, options.moves);
        if ((option == "--data" || option == "--dir") && !value.empty()) {
            (option == "--data" ? options.data : options.dir) = std::string(value) + "/";
            return true;
        }
        return false;
    });
}

// The dialogs of the Add command as a user who chooses "Save &all" at the first file and
// does not minimise the window; the time of every view refresh is kept (the last one comes
// after the last file, before the command's closing GoBottom).
class CSaveAllScript : public IAddDialogs, public IAddWindows {
public:
    explicit CSaveAllScript(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

    bool BrowseFiles(std::vector<CAddFileChoice>& files) override {
        files.clear();
        for (const std::string& path : m_paths)
            files.push_back({path, true});
        return true;
    }
    SaveChoice AskSave(const std::string&, bool saveAllEnabled,
                       CPictureDatabase::Keywords& keywords) override {
        keywords = {"Holiday", "Benchmark"};
        ++m_saveDialogs;
        return saveAllEnabled ? SaveChoice::saveAll : SaveChoice::save;
    }
    bool AskMinimizeWhileSaving() override { return false; }
    DuplicateChoice AskDuplicate(PxImage&, const std::string&) override {
        ++m_duplicates;
        return DuplicateChoice::doNotSave;
    }
    void RefreshView() override { m_lastRefresh = m_watch.Seconds(); }

    void StartClock() { m_watch.Restart(); }
    double LastRefresh() const { return m_lastRefresh; }
    int SaveDialogs() const { return m_saveDialogs; }
    int Duplicates() const { return m_duplicates; }

private:
    std::vector<std::string> m_paths;
    CStopwatch m_watch;
    double m_lastRefresh = 0;
    int m_saveDialogs = 0;
    int m_duplicates = 0;
};

// The reference decode into a new uncleared block, or into reuse when given.
bool PlainDecode(const std::string& path, std::vector<std::uint8_t>* reuse = nullptr) {
    CPlainJpegDecode how;
    how.reuse = reuse;
    return PlainJpegDecode(path, how);
}

struct Photo {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t width = 0, height = 0;
};

// The corpus's JPEG photographs, in name order.
std::vector<Photo> LoadPhotos(const std::string& folder) {
    std::vector<Photo> photos;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        const std::string path = item.path().string();
        if (!item.is_regular_file() || ImageTypeFromPath(path) != imageJpeg)
            continue;
        Photo photo;
        photo.name = item.path().filename().string();
        CPlainJpegDecode decoded;
        const bool ok = ReadWholeFile(path, photo.bytes) && PlainJpegDecode(path, decoded);
        photo.width = decoded.width;
        photo.height = decoded.height;
        if (!ok) {
            std::fprintf(stderr, "bench_document: %s cannot be decoded, left out\n", path.c_str());
            continue;
        }
        photos.push_back(std::move(photo));
    }
    std::sort(photos.begin(), photos.end(),
              [](const Photo& a, const Photo& b) { return a.name < b.name; });
    return photos;
}

// Writes count copies of the photos, in turn, into folder; each gets 8 bytes after its
// end-of-image marker (ignored by every decoder), changed until its (size, CRC) is new.
std::vector<std::string> WriteCopies(const std::vector<Photo>& photos, std::size_t count,
                                     const std::string& folder, std::string_view prefix) {
    std::vector<std::string> paths;
    std::set<std::pair<std::size_t, std::uint16_t>> seen;
    std::uint32_t salt = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Photo& photo = photos[i % photos.size()];
        std::vector<std::uint8_t> bytes = photo.bytes;
        const std::size_t end = bytes.size();
        bytes.resize(end + 8);
        for (;;) {
            std::snprintf(reinterpret_cast<char*>(bytes.data() + end), 9, "%08X", salt++);
            const auto key = std::make_pair(bytes.size(), UpdateCrc16(0, bytes));
            if (seen.insert(key).second)
                break;
        }
        const std::string path =
            folder + "/" + Format("%.*s%04zu_", static_cast<int>(prefix.size()), prefix.data(), i) +
            photo.name;
        if (!WriteWholeFile(path, bytes))
            return {};
        paths.push_back(path);
    }
    return paths;
}

struct AddRun {
    double command = -1; // AddPictures, closing GoBottom included
    double files = -1;   // up to the last file's view refresh
    long faults = 0;     // minor page faults during the command
    std::size_t stored = 0;
    std::int64_t mainBytes = 0;
    std::uint64_t syncs = 0; // syncs of files and folders, counted when asked for
};

// One Add command over paths into a fresh database; -1 times on failure. Without
// durable, the file layer skips its syncs and the syncs asked for are counted instead.
AddRun RunAddCommand(const std::string& base, const std::vector<std::string>& paths,
                     CCountingPrompt& prompt, bool durable = true) {
    AddRun run;
    struct UndurableScope {
        explicit UndurableScope(bool on) : active(on) {
            if (active) {
                CFile::SetSyncEnabled(false);
                FaultInjection::Arm(FaultInjection::Operation::sync, 0,
                                    FaultInjection::Fault::ioError);
            }
        }
        ~UndurableScope() {
            if (active) {
                FaultInjection::Disarm();
                CFile::SetSyncEnabled(true);
            }
        }
        bool active;
    } undurable(!durable);
    {
        CPicdexDoc doc;
        if (!doc.Database().OpenDatabase(base, true)) {
            std::fprintf(stderr, "bench_document: cannot create the database %s\n", base.c_str());
            return run;
        }
        CSaveAllScript script(paths);
        CAddPictures add(doc, script, script, false);
        prompt.Reset();
        const long faults = MinorFaults();
        CStopwatch watch;
        script.StartClock();
        const bool ran = add.AddPictures();
        run.command = watch.Seconds();
        run.faults = MinorFaults() - faults;
        run.files = script.LastRefresh();
        run.stored = add.StoredRecords().size();
        // Every stored record must carry its thumbnail, made by the command.
        std::size_t withThumbnail = 0;
        for (std::int32_t record : add.StoredRecords()) {
            CRecordHead head;
            withThumbnail += doc.Database().ReadHead(head, record) && head.ThumbnailBlock() != 0;
        }
        if (!ran || run.stored != paths.size() || withThumbnail != run.stored ||
            prompt.Count() != 0 || script.Duplicates() != 0 || script.SaveDialogs() != 1) {
            std::fprintf(stderr,
                         "bench_document: the add went wrong: %zu of %zu stored, %zu with "
                         "thumbnails, %d messages, %d duplicates, %d save dialogs\n",
                         run.stored, paths.size(), withThumbnail, prompt.Count(),
                         script.Duplicates(), script.SaveDialogs());
            for (const std::string& text : prompt.Texts())
                std::fprintf(stderr, "  message: %s\n", text.c_str());
            run.command = -1;
        }
    }
    run.syncs = FaultInjection::Count(FaultInjection::Operation::sync);
    run.mainBytes = GetFileSize(base + ".PXM");
    RemoveDatabase(base);
    return run;
}

struct Timed {
    double seconds = -1;
    long faults = 0;
};

// The library's decoding of every file, into new blocks or into reuse.
Timed RunPlainDecodes(const std::vector<std::string>& paths, std::vector<std::uint8_t>* reuse) {
    Timed timed;
    const long faults = MinorFaults();
    CStopwatch watch;
    for (const std::string& path : paths)
        if (!PlainDecode(path, reuse))
            return timed;
    timed.seconds = watch.Seconds();
    timed.faults = MinorFaults() - faults;
    return timed;
}

// A block as large as the largest photo's rows, every page touched once.
std::vector<std::uint8_t> WarmBlock(const std::vector<Photo>& photos) {
    std::size_t largest = 0;
    for (const Photo& photo : photos)
        largest = std::max<std::size_t>(largest, std::size_t{photo.width} * 3 * photo.height);
    return std::vector<std::uint8_t>(largest, 1);
}

enum Step { stepRead, stepCrc, stepDecode, stepThumbnail, stepStore, stepCount };
constexpr const char* stepNames[stepCount] = {"reading the file", "CRC", "decoding", "thumbnail",
                                              "storage"};
using StepTimes = std::array<Timed, stepCount>;

// Times work into the step's slot.
template <class Work> bool TimeStep(Timed& slot, Work&& work) {
    const long faults = MinorFaults();
    CStopwatch watch;
    const bool ok = work();
    slot.seconds += watch.Seconds();
    slot.faults += MinorFaults() - faults;
    return ok;
}

// The add's steps one by one, with the flow's calls, into a second fresh database. Seconds
// per step over all files; false on failure.
bool RunSteps(const std::string& base, const std::vector<std::string>& paths, StepTimes& steps,
              Timed& computeCrc) {
    steps.fill({0, 0});
    computeCrc = {0, 0};
    bool ok = true;
    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true))
            return false;
        const CPictureDatabase::Keywords keywords = {"Holiday", "Benchmark"};
        for (const std::string& path : paths) {
            // ComputeCrc as the flow calls it, then its two halves apart.
            std::uint16_t flowCrc = 0;
            ok = TimeStep(computeCrc, [&] {
                CMemFile both(1024);
                return CPictureDatabase::ComputeCrc(both, path, flowCrc) != 0;
            });
            CMemFile stream(1024);
            ok = ok && TimeStep(steps[stepRead], [&] {
                     CFile source;
                     if (!source.Open(path, CFile::modeRead | CFile::shareDenyNone))
                         return false;
                     std::vector<std::uint8_t> piece(16384);
                     for (std::size_t n = piece.size(); n == piece.size();) {
                         n = source.Read(piece.data(), piece.size());
                         stream.Write(piece.data(), n);
                     }
                     return true;
                 });
            std::uint16_t crc = 0;
            ok = ok && TimeStep(steps[stepCrc], [&] {
                     crc = UpdateCrc16(0, stream.Data());
                     return crc == flowCrc;
                 });
            std::unique_ptr<PxJpeg> picture;
            ok = ok && TimeStep(steps[stepDecode], [&] {
                     picture = std::make_unique<PxJpeg>();
                     stream.SeekToBegin();
                     const bool decoded = picture->LoadFromFile(stream) != 0;
                     picture->ReleaseFile();
                     return decoded;
                 });
            CMemFile thumbnail(1024);
            ok = ok && TimeStep(steps[stepThumbnail], [&] {
                     bool made = false;
                     return MakeThumbnail(*picture, imageJpeg, thumbnail, made) && made;
                 });
            ok = ok && TimeStep(steps[stepStore], [&] {
                     std::int32_t modified = -1;
                     GetFileModTime(path, modified);
                     CIndexFile& index = database.Index();
                     return database.AddRecord(stream, crc, path, modified, picture->GetWidth(),
                                               picture->GetHeight(), keywords) &&
                            index.GoTo(index.GetLastInserted()) &&
                            database.SetThumbnail(&thumbnail, index.GetCurrentRecord(), true);
                 });
            if (!ok) {
                std::fprintf(stderr, "bench_document: the steps failed at %s\n", path.c_str());
                break;
            }
        }
    }
    RemoveDatabase(base);
    return ok;
}

template <class Get> double MedianBy(const std::vector<StepTimes>& runs, Get get) {
    std::vector<double> values;
    for (const StepTimes& run : runs)
        values.push_back(get(run));
    return Median(values);
}

double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

bool BenchAdd(const Options& options, const CTempFolder& folder, const std::vector<Photo>& photos,
              CCountingPrompt& prompt) {
    const std::string copies = folder.Child("add");
    std::filesystem::create_directory(copies);
    std::vector<std::string> paths =
        WriteCopies(photos, static_cast<std::size_t>(options.pictures), copies, "p");
    if (paths.empty()) {
        std::fprintf(stderr, "bench_document: cannot write the copies into %s\n", copies.c_str());
        return false;
    }
    double megapixels = 0, megabytes = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const Photo& photo = photos[i % photos.size()];
        megapixels += double(photo.width) * photo.height / 1e6;
        megabytes += static_cast<double>(photo.bytes.size() + 8) / bytesPerMegabyte;
    }
    const double n = static_cast<double>(paths.size());
    std::printf("== adding %zu pictures (the %zu JPEG photographs in turn; %.1f MP, %.1f MB in "
                "all), load average %.2f\n",
                paths.size(), photos.size(), megapixels, megabytes, LoadAverage());
    std::printf("\n%-6s %10s %9s %10s %10s %9s %10s %8s %8s %10s %8s\n", "run", "command s",
                "faults/p", "files s", "library s", "faults/p", "warm lib s", "ratio", "warm",
                "no sync s", "dur/non");

    std::vector<double> commands, files, references, warms, undurables;
    std::uint64_t syncs = 0;
    std::vector<StepTimes> steps;
    std::vector<double> computeCrcs;
    std::vector<std::uint8_t> warmBlock = WarmBlock(photos);
    long commandFaults = 0, referenceFaults = 0;
    std::int64_t mainBytes = 0;
    for (int run = 1; run <= options.runs; ++run) {
        AddRun add, undurable;
        Timed reference, warm;
        auto flow = [&] {
            ::sync();
            add = RunAddCommand(folder.Child(Format("add%d", run)), paths, prompt);
        };
        auto flowWithoutSyncs = [&] {
            ::sync();
            undurable = RunAddCommand(folder.Child(Format("nosync%d", run)), paths, prompt, false);
        };
        auto library = [&] {
            reference = RunPlainDecodes(paths, nullptr);
            warm = RunPlainDecodes(paths, &warmBlock);
        };
        // Alternating which goes first evens out the machine's changes over a run.
        if (run % 2 == 1)
            library(), flow(), flowWithoutSyncs();
        else
            flowWithoutSyncs(), flow(), library();
        if (add.command < 0 || undurable.command < 0 || reference.seconds < 0 || warm.seconds < 0)
            return false;
        undurables.push_back(undurable.command);
        syncs = undurable.syncs;
        mainBytes = add.mainBytes;
        commandFaults = add.faults;
        referenceFaults = reference.faults;
        commands.push_back(add.command);
        files.push_back(add.files);
        references.push_back(reference.seconds);
        warms.push_back(warm.seconds);
        std::printf("%-6d %10.3f %9.0f %10.3f %10.3f %9.0f %10.3f %8.3f %8.3f %10.3f %8.3f\n", run,
                    add.command, add.faults / n, add.files, reference.seconds, reference.faults / n,
                    warm.seconds, reference.seconds / add.command, warm.seconds / add.command,
                    undurable.command, add.command / undurable.command);

        StepTimes stepTimes{};
        Timed computeCrc;
        ::sync();
        if (!RunSteps(folder.Child(Format("steps%d", run)), paths, stepTimes, computeCrc))
            return false;
        steps.push_back(stepTimes);
        computeCrcs.push_back(computeCrc.seconds);
    }
    const double command = Median(commands), filesOnly = Median(files),
                 reference = Median(references), warm = Median(warms),
                 undurable = Median(undurables);
    std::printf("%-6s %10.3f %9s %10.3f %10.3f %9s %10.3f %8.3f %8.3f %10.3f %8.3f\n", "median",
                command, "", filesOnly, reference, "", warm, reference / command, warm / command,
                undurable, command / undurable);
    std::printf("%-6s %10.3f %9s %10.3f %10.3f %9s %10.3f %8.3f %8.3f %10.3f %8.3f\n", "fastest",
                Fastest(commands), "", Fastest(files), Fastest(references), "", Fastest(warms),
                Fastest(references) / Fastest(commands), Fastest(warms) / Fastest(commands),
                Fastest(undurables), Fastest(commands) / Fastest(undurables));
    std::printf("\nAdd command: %.1f pictures/s (%.1f ms each, %.1f MP/s); main file %.1f MB\n",
                n / command, command * 1e3 / n, megapixels / command,
                static_cast<double>(mainBytes) / bytesPerMegabyte);
    std::printf("library decoding alone: %.1f pictures/s (%.1f ms each) into new blocks, "
                "%.1f pictures/s into one reused block\n",
                n / reference, reference * 1e3 / n, n / warm);
    const double ratio = reference / command;
    std::printf("library/command: %.3f (aim 0.70 or better)%s; against the reused block %.3f; "
                "library/files %.3f\n",
                ratio, ratio >= 0.7 ? "" : "  BELOW AIM", warm / command, reference / filesOnly);
    std::printf("page faults per picture in the last run: command %.0f, library %.0f\n",
                commandFaults / n, referenceFaults / n);
    const double durability = command / undurable;
    std::printf("durable/undurable: %.3f (aim 1.10 or less)%s; %.2f ms of syncs per picture, "
                "%.2f syncs per picture\n\n",
                durability, durability <= 1.1 ? "" : "  ABOVE AIM", (command - undurable) * 1e3 / n,
                static_cast<double>(syncs) / n);

    std::printf("steps of the add timed apart (medians of %lld runs), share of the command:\n",
                static_cast<long long>(options.runs));
    std::printf("   %-36s %9s %9s %9s %8s\n", "step", "total s", "ms/pic", "faults/p", "share");
    double sum = 0;
    for (int step = 0; step < stepCount; ++step) {
        const double seconds = MedianBy(steps, [&](const StepTimes& t) { return t[step].seconds; });
        const double faults =
            MedianBy(steps, [&](const StepTimes& t) { return double(t[step].faults); });
        sum += seconds;
        std::printf("   %-36s %9.3f %9.2f %9.0f %7.1f%%\n", stepNames[step], seconds,
                    seconds * 1e3 / n, faults / n, 100 * seconds / command);
    }
    std::printf("   %-36s %9.3f %9.2f %9s %7.1f%%\n", "sum of the steps", sum, sum * 1e3 / n, "",
                100 * sum / command);
    std::printf("   %-36s %9.3f %9.2f %9s %7.1f%%\n", "rest of the command (tests, GoBottom)",
                command - sum, (command - sum) * 1e3 / n, "", 100 * (command - sum) / command);
    const double computeCrc = Median(computeCrcs);
    std::printf("   %-36s %9.3f %9.2f %9s %7.1f%%\n", "(ComputeCrc: read and CRC together)",
                computeCrc, computeCrc * 1e3 / n, "", 100 * computeCrc / command);
    const double decode = MedianBy(steps, [](const StepTimes& t) { return t[stepDecode].seconds; });
    std::printf("   library/PxJpeg decoding: %.3f (new blocks), %.3f (reused block)\n\n",
                reference / decode, warm / decode);
    return true;
}

struct MoveSamples {
    std::vector<double> moves, decodes, warmDecodes, reads, memoryDecodes;
    std::vector<double> moveFaults, decodeFaults, memoryFaults;
};

// Moves options.moves times between the two records of a database holding two copies of
// photo, added through the Add command, and decodes the file with the library after each.
bool RunMoves(const Options& options, const CTempFolder& folder, const Photo& photo,
              const std::string& label, CCountingPrompt& prompt, MoveSamples& samples) {
    const std::string copies = folder.Child("move" + label);
    std::filesystem::create_directory(copies);
    const std::vector<Photo> one = {photo};
    const std::vector<std::string> paths = WriteCopies(one, 2, copies, "m");
    if (paths.size() != 2)
        return false;
    const std::string base = copies + "/move";
    std::vector<std::uint8_t> warmBlock = WarmBlock(one);
    bool ok = true;
    {
        CPicdexDoc doc;
        CPictureDatabase& database = doc.Database();
        ok = database.OpenDatabase(base, true);
        CSaveAllScript script(paths);
        CAddPictures add(doc, script, script, false);
        prompt.Reset();
        ok = ok && add.AddPictures() && add.StoredRecords().size() == 2 && prompt.Count() == 0;
        for (std::int32_t record : add.StoredRecords()) {
            CRecordHead head;
            ok = ok && database.ReadHead(head, record) && head.ThumbnailBlock() != 0;
        }
        if (!ok) {
            std::fprintf(stderr, "bench_document: the two records were not stored with "
                                 "thumbnails\n");
            RemoveDatabase(base);
            return false;
        }
        const std::int64_t mainBefore = GetFileSize(base + ".PXM");
        ok = doc.GoTop() && doc.GoNext(); // untimed
        std::int32_t previous = database.Index().GetCurrentRecord();
        for (int i = 0; ok && i < options.moves; ++i) {
            long faults = MinorFaults();
            CStopwatch watch;
            ok = doc.GoNext();
            samples.moves.push_back(watch.Millis());
            samples.moveFaults.push_back(double(MinorFaults() - faults));
            const PxImage* picture = doc.GetCurrentPicture();
            const std::int32_t current = database.Index().GetCurrentRecord();
            ok = ok && picture && doc.GetPictureKind() == imageJpeg &&
                 picture->GetWidth() == photo.width && picture->GetHeight() == photo.height &&
                 current != previous;
            previous = current;

            const std::string& path = paths[static_cast<std::size_t>(i % 2)];
            faults = MinorFaults();
            watch.Restart();
            ok = ok && PlainDecode(path);
            samples.decodes.push_back(watch.Millis());
            samples.decodeFaults.push_back(double(MinorFaults() - faults));
            watch.Restart();
            ok = ok && PlainDecode(path, &warmBlock);
            samples.warmDecodes.push_back(watch.Millis());

            // The move's two halves: the record out of the main file, then its decoding.
            CMemFile bytes(65536);
            CRecordHead head;
            watch.Restart();
            ok = ok && database.ReadPicture(bytes, current, head);
            samples.reads.push_back(watch.Millis());
            faults = MinorFaults();
            watch.Restart();
            {
                PxJpeg image;
                bytes.SeekToBegin();
                ok = ok && image.LoadFromFile(bytes);
                image.ReleaseFile();
            }
            samples.memoryDecodes.push_back(watch.Millis());
            samples.memoryFaults.push_back(double(MinorFaults() - faults));
        }
        if (ok && GetFileSize(base + ".PXM") != mainBefore) {
            std::fprintf(stderr, "bench_document: a move wrote to the main file\n");
            ok = false;
        }
        if (!ok || prompt.Count() != 0)
            std::fprintf(stderr, "bench_document: a move went wrong (%d messages)\n",
                         prompt.Count());
    }
    RemoveDatabase(base);
    return ok && prompt.Count() == 0;
}

bool BenchMoves(const Options& options, const CTempFolder& folder, const Photo& photo,
                const std::string& label, const char* when, CCountingPrompt& prompt) {
    std::printf("== moving to the next record %s: %s, %u x %u (%.1f MP, %zu bytes), two "
                "records, load average %.2f\n",
                when, photo.name.c_str(), photo.width, photo.height,
                double(photo.width) * photo.height / 1e6, photo.bytes.size(), LoadAverage());
    MoveSamples s;
    if (!RunMoves(options, folder, photo, label, prompt, s))
        return false;
    auto line = [](const char* what, const std::vector<double>& ms,
                   const std::vector<double>* faults) {
        std::printf("   %-44s %9.2f %9.2f %9.2f", what, Median(ms), Fastest(ms),
                    Percentile(ms, 0.9));
        if (faults)
            std::printf(" %9.0f", Median(*faults));
        std::printf("\n");
    };
    std::printf("\n   %-44s %9s %9s %9s %9s\n",
                Format("%lld moves, milliseconds", static_cast<long long>(options.moves)).c_str(),
                "median", "fastest", "p90", "faults");
    line("CPicdexDoc::GoNext", s.moves, &s.moveFaults);
    line("library decoding of the file, new block", s.decodes, &s.decodeFaults);
    line("library decoding of the file, reused block", s.warmDecodes, nullptr);
    line("  ReadPicture alone (record into memory)", s.reads, nullptr);
    line("  PxJpeg decoding from memory alone", s.memoryDecodes, &s.memoryFaults);
    std::printf("library/GoNext: %.3f (medians), %.3f (fastest); against the reused block %.3f "
                "(medians)\n\n",
                Median(s.decodes) / Median(s.moves), Fastest(s.decodes) / Fastest(s.moves),
                Median(s.warmDecodes) / Median(s.moves));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 2;
    }
    std::vector<Photo> photos = LoadPhotos(options.data + "photos");
    if (photos.empty()) {
        std::fprintf(stderr, "bench_document: no JPEG photographs in %sphotos\n",
                     options.data.c_str());
        return 1;
    }
    CTempFolder folder(options.dir);
    if (!folder.IsValid()) {
        std::fprintf(stderr, "bench_document: cannot make a scratch folder\n");
        return 1;
    }
    std::uint64_t needed = 0;
    for (const Photo& photo : photos)
        needed += photo.bytes.size();
    // The copies, and the two databases the add and its steps fill.
    needed = needed * 4 * static_cast<std::uint64_t>(options.pictures) / photos.size() + (64 << 20);
    if (!CheckFreeSpace(folder.Path(), needed)) {
        std::fprintf(stderr, "bench_document: not enough free space in %s for %llu bytes\n",
                     folder.Path().c_str(), static_cast<unsigned long long>(needed));
        return 1;
    }
    CCountingPrompt prompt;
    CScopedPrompt scoped(prompt);
    std::printf("bench_document: scratch folder %s, load average %.2f\n", folder.Path().c_str(),
                LoadAverage());
    for (const Photo& photo : photos)
        std::printf("   %-40s %5u x %-5u %8zu bytes\n", photo.name.c_str(), photo.width,
                    photo.height, photo.bytes.size());
    std::printf("\n");
    const Photo& largest = *std::max_element(photos.begin(), photos.end(), [](auto& a, auto& b) {
        return std::uint64_t{a.width} * a.height < std::uint64_t{b.width} * b.height;
    });
    // Moving first, in a fresh process, and again after the add: what a move costs depends on
    // whether the allocator still holds memory from earlier pictures (see the faults).
    if (!BenchMoves(options, folder, largest, "1", "(fresh process)", prompt))
        return 1;
    if (!BenchAdd(options, folder, photos, prompt))
        return 1;
    if (!BenchMoves(options, folder, largest, "2", "(again, after the add)", prompt))
        return 1;
    std::printf("load average at the end %.2f\n", LoadAverage());
    return 0;
}
