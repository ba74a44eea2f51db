// bench_collection: the collection commands on a large database. Builds a database of
// --records records (the realistic names, dates and Zipf-distributed keywords of
// bench_index; 1 % of the records are copies of an earlier picture: same name, CRC and
// size) and a second one of as many records for the data exchange (its first half the
// same pictures as the first database's first half, its second half pictures of its own).
// Heads go to the main file with CMainFile::AppendRecord; the index is written in one go
// with CIndexBuilder, byte for byte what adding the records one by one would leave.
//
// Every picture is a tiny valid BMP (24 bits, one row of 4 to 256 pixels, 66 to 822 bytes;
// the width sets the data size, so CRC and size together tell pictures apart) whose head
// points at the picture as its own thumbnail, so showing a record never writes. The
// searches go through the document, which decodes the record it lands on by its name's
// extension: a ".bmp" name decodes the BMP (a few microseconds); a ".JPG" name hands the
// BMP bytes to the JPEG decoder, which rejects them at once. Both cases are timed.
//
// Timed, in milliseconds (median of --runs runs, and the first run):
//  - SearchKeyword through CPicdexDoc: the most frequent keyword, a rare one and a text
//    equal to no keyword ("Data not found");
//  - FindFileName through CPicdexDoc: a camera name, a ".bmp" name, a text past every name;
//  - FillKeywordList with threshold 0 and with the "List of keywords" dialog's rising
//    thresholds up to 3 (capacity 32767 lines);
//  - CDuplicates::MarkDuplicates (marks cleared before each run);
//  - CountByType;
//  - ExchangeOneWay counting passes (countOnly) against the second database, each way.
// Beside each time, the reads of the open database's index file per run (one read system
// call each). The aims: every step under 1 s, the searches under 10 ms.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-bench7 -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-bench7 --target bench_collection
//   build-bench7/bench/bench_collection --records 50000 --runs 5
//
// Options: --records N (default 50000), --runs N (default 5), --dir FOLDER (where the
// scratch folder is made). The data are the same on every run (fixed seeds).
#include "bench/BenchUtil.h"
#include "bench/CollectionDatabase.h"
#include "bench/CollectionRecords.h"
#include "bench/QuietDialogs.h"
#include "collection/DataExchange.h"
#include "collection/Duplicates.h"
#include "collection/FileProperties.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/IndexBuilder.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options {
    std::int64_t records = 50000;
    std::int64_t runs = 5;
    std::string dir;
};

using Record = CollectionRecord;

void PrintUsage() {
    std::fprintf(stderr, "usage: bench_collection [--records N] [--runs N] [--dir FOLDER]\n"
                         "  records from 100 to 500000, runs from 1 to 1000\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records")
            return ParseInteger(value, 100, 500000, options.records);
        if (option == "--runs")
            return ParseInteger(value, 1, 1000, options.runs);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

// Every hundredth record becomes a copy of a random earlier one (same name, CRC and size,
// its own date and keywords), as when a folder is added a second time.
int AddDuplicates(std::vector<Record>& records, std::mt19937_64& random) {
    int copies = 0;
    for (std::size_t i = 99; i < records.size(); i += 100) {
        const Record& earlier = records[random() % i];
        records[i].name = earlier.name;
        records[i].crc = earlier.crc;
        records[i].width = earlier.width;
        ++copies;
    }
    return copies;
}

struct Timing {
    std::vector<double> millis;
    std::string detail;
    double indexReads = 0; // reads of the open database's index file per run
};

// Runs step runs times; step returns the detail of its result (the first run's is kept).
Timing TimeRuns(std::int64_t runs, const CIndexFile& index,
                const std::function<std::string()>& step) {
    Timing timing;
    const std::int64_t readsBefore = index.GetIoCounts().reads;
    for (std::int64_t i = 0; i < runs; ++i) {
        CStopwatch watch;
        std::string detail = step();
        timing.millis.push_back(watch.Millis());
        if (i == 0)
            timing.detail = detail;
    }
    timing.indexReads =
        static_cast<double>(index.GetIoCounts().reads - readsBefore) / static_cast<double>(runs);
    return timing;
}

void PrintRow(const std::string& step, const std::string& figure, const std::string& aim) {
    std::printf("%-44s %-34s %s\n", step.c_str(), figure.c_str(), aim.c_str());
}

void PrintTiming(const std::string& step, const Timing& timing, double aimMillis) {
    double median = Median(timing.millis);
    std::string aim = Format("< %g ms", aimMillis) + (median < aimMillis ? "" : "  MISSED");
    PrintRow(step,
             Format("median %.3f ms, first %.3f ms, %.0f index reads", median,
                    timing.millis.front(), timing.indexReads),
             aim);
    if (!timing.detail.empty())
        PrintRow("  " + timing.detail, "", "");
}

// The keyword carried by most records, and one carried by only a few.
void PickKeywords(const std::vector<Record>& records, std::string& frequent, std::string& rare) {
    std::map<std::string, int> counts;
    for (const Record& record : records)
        for (int slot = 0; slot < record.keywordCount; ++slot)
            ++counts[record.keywords[slot]];
    int most = 0;
    int fewest = 1 << 30;
    for (const auto& [word, count] : counts) {
        if (count > most) {
            most = count;
            frequent = word;
        }
        if (count >= 3 && count < fewest) {
            fewest = count;
            rare = word;
        }
    }
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
        std::fprintf(stderr, "bench_collection: cannot make a scratch folder\n");
        return 1;
    }
    CCountingPrompt prompt;
    CScopedPrompt scopedPrompt(prompt);
    const std::string base = folder.Child("collection");
    const std::string otherBase = folder.Child("other");

    std::set<std::uint32_t> pictures;
    std::mt19937_64 random(20010909);
    std::vector<Record> records = MakeCollectionRecords(options.records, random, &pictures);
    int copies = AddDuplicates(records, random);
    std::mt19937_64 otherRandom(19991231);
    std::size_t shared = records.size() / 2;
    std::vector<Record> others(records.begin(), records.begin() + static_cast<long>(shared));
    std::vector<Record> own = MakeCollectionRecords(
        static_cast<std::int64_t>(records.size() - shared), otherRandom, &pictures);
    others.insert(others.end(), own.begin(), own.end());

    std::int64_t keywords = 0;
    for (const Record& record : records)
        keywords += record.keywordCount;
    std::printf("bench_collection: %zu records (%d copies of earlier pictures), %lld keywords; "
                "other database %zu records (%zu pictures shared)\n",
                records.size(), copies, static_cast<long long>(keywords), others.size(), shared);

    double mainSeconds = 0, indexSeconds = 0;
    if (!BuildDatabase(base, records, mainSeconds, indexSeconds)) {
        std::fprintf(stderr, "bench_collection: building %s failed\n", base.c_str());
        return 1;
    }
    std::printf("built: main file %.3f s, index (CIndexBuilder) %.3f s\n", mainSeconds,
                indexSeconds);
    if (!BuildDatabase(otherBase, others, mainSeconds, indexSeconds)) {
        std::fprintf(stderr, "bench_collection: building %s failed\n", otherBase.c_str());
        return 1;
    }
    std::printf("built other: main file %.3f s, index %.3f s\n", mainSeconds, indexSeconds);
    std::printf("scratch folder: %s, load average %.2f, %lld runs per step\n\n",
                folder.Path().c_str(), LoadAverage(), static_cast<long long>(options.runs));

    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!db.OpenDatabase(base, false) || db.IsReadOnly()) {
        std::fprintf(stderr, "bench_collection: opening %s failed\n", base.c_str());
        return 1;
    }
    doc.ShowAll(1, true);

    PrintRow("step", "figure", "aim");
    std::string frequent, rare;
    PickKeywords(records, frequent, rare);
    std::string bmpName;
    for (const Record& record : records)
        if (record.name.ends_with(".bmp")) {
            bmpName = record.name;
            break;
        }

    auto searchRow = [&](const std::string& label, const std::string& word) {
        bool found = false;
        Timing timing = TimeRuns(options.runs, db.Index(), [&]() {
            found = SearchKeyword(doc, MakeKeywordKey(word));
            return std::string();
        });
        std::string path, shown;
        db.GetMainPathAndCurrentName(path, shown);
        int position = 0;
        int live = found ? db.CountRange(position, false) : 0;
        timing.detail = found ? Format("%d records, shows \"%s\" (picture kind %d)", live,
                                       shown.c_str(), doc.GetPictureKind())
                              : std::string("\"Data not found\"");
        PrintTiming(label + " \"" + word + "\"", timing, 10);
        doc.ShowAll(1, true);
    };
    searchRow("SearchKeyword, most frequent", frequent);
    searchRow("SearchKeyword, rare", rare);
    searchRow("SearchKeyword, no such keyword", "no such keyword");

    auto nameRow = [&](const std::string& label, const std::string& text) {
        std::int32_t entry = -1;
        Timing timing = TimeRuns(options.runs, db.Index(), [&]() {
            entry = FindFileName(doc, MakeNameKey(text));
            return std::string();
        });
        std::string path, shown;
        db.GetMainPathAndCurrentName(path, shown);
        timing.detail = Format("entry %d, shows \"%s\" (picture kind %d)", entry, shown.c_str(),
                               doc.GetPictureKind());
        PrintTiming(label + " \"" + text + "\"", timing, 10);
    };
    nameRow("FindFileName, camera name", "IMG_5");
    nameRow("FindFileName, .bmp name", bmpName);
    nameRow("FindFileName, past every name", "zzz");

    std::vector<std::string> lines;
    Timing fill = TimeRuns(options.runs, db.Index(), [&]() {
        bool fits = FillKeywordList(db, lines, 32767, 0);
        return Format("%zu lines%s", lines.size(), fits ? "" : ", capacity reached");
    });
    PrintTiming("FillKeywordList, threshold 0", fill, 1000);
    Timing rising = TimeRuns(options.runs, db.Index(), [&]() {
        bool fits = FillKeywordListRising(db, lines, 32767, keywordDialogThresholdLimit);
        return Format("%zu lines%s", lines.size(), fits ? "" : ", capacity reached");
    });
    PrintTiming("FillKeywordListRising, up to 3", rising, 1000);

    Timing duplicates = TimeRuns(options.runs, db.Index(), [&]() {
        db.Marks().UnmarkAll();
        int marked = CDuplicates::MarkDuplicates(db);
        return Format("%d mark calls", marked);
    });
    PrintTiming("CDuplicates::MarkDuplicates", duplicates, 1000);
    db.Marks().UnmarkAll();

    Timing properties = TimeRuns(options.runs, db.Index(), [&]() {
        CTypeCounts counts;
        int ok = CountByType(db, counts);
        return Format("%sTIFF %d, GIF %d, JPEG %d, BMP %d, unknown %d, total %d",
                      ok ? "" : "FAILED ", counts.tiff, counts.gif, counts.jpeg, counts.bmp,
                      counts.unknown, counts.total);
    });
    PrintTiming("CountByType", properties, 1000);

    for (bool outward : {true, false}) {
        Timing exchange = TimeRuns(options.runs, db.Index(), [&]() {
            int count = ExchangeOneWay(db, otherBase, outward, true, nullptr);
            return Format("%d pictures lacking", count);
        });
        PrintTiming(outward ? "ExchangeOneWay, count, outward" : "ExchangeOneWay, count, inward",
                    exchange, 1000);
    }

    if (prompt.Count() != 0) {
        std::printf("\n%d messages shown, the first:\n", prompt.Count());
        for (const std::string& text : prompt.Texts())
            std::printf("  \"%s\"\n", text.c_str());
    }
    return 0;
}
