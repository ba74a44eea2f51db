// bench_index: the key index under a realistic collection. Builds the records of a large
// database (camera and holiday file names with duplicates and case variants, dates saved
// increasing over about four years and starting with a few 9-digit ones, random CRCs, 0 to
// 6 keywords from a vocabulary of a few hundred words with Zipf-like frequencies), writes
// their heads to a real main file, then inserts their entries into an empty index one
// record at a time as adding pictures does (CPictureDatabase::AddRecordEntries). Reports
// insertion time and index file transfers per key, FindExact and LocateRecord latencies,
// the time to open the database, also as a second, read-only instance, and the time to
// add one record's entries right after an open.
//
// Build and run from the repository; the files go to a scratch folder under $TMPDIR
// (else /tmp) that is removed at the end:
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-bench --target bench_index
//   build-bench/bench/bench_index --records 50000
//
// Options: --records N (default 50000), --dir FOLDER (where the scratch folder is made).
// The data are the same on every run (fixed seed).
#include "bench/BenchUtil.h"
#include "bench/CollectionRecords.h"
#include "bench/KeywordVocabulary.h"
#include "platform/MemFile.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int lookupCount = 10000;
constexpr int openCount = 10;
constexpr std::int64_t skipTableCapacity =
    std::int64_t{IndexFormat::skipSlots - 1} * IndexFormat::skipStride;

struct Options {
    std::int64_t records = 50000;
    std::string dir;
};

using Record = CollectionRecord;

void PrintUsage() {
    std::fprintf(stderr, "usage: bench_index [--records N] [--dir FOLDER]\n"
                         "  N from 1 to 500000\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        // Two blocks per record keep the main file within its 2^31 bytes.
        if (option == "--records")
            return ParseInteger(value, 1, 500000, options.records);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

void FillHead(const Record& record, std::uint32_t dataSize, CRecordHead& head) {
    head = CRecordHead();
    head.SetCrc(record.crc);
    head.SetFileName(record.name);
    head.SetDateSaved(record.dateSaved);
    head.SetDateImageCreated(record.dateCreated);
    for (int slot = 0; slot < record.keywordCount; ++slot)
        head.SetKeyword(slot, record.keywords[slot]);
    head.SetDataSize(dataSize);
    head.SetThumbnailBlock(0);
    head.SetWidth(1600);
    head.SetHeight(1200);
}

enum Family { dateKeys, nameKeys, crcKeys, keywordKeys, familyCount };
constexpr const char* familyNames[familyCount] = {"date", "name", "CRC", "keyword"};

struct Query {
    Family family;
    std::string key;
};

// Existing keys, the family chosen uniformly, the record at random.
std::vector<Query> MakeQueries(const std::vector<Record>& records, std::mt19937_64& random) {
    std::vector<Query> queries;
    std::uniform_int_distribution<std::size_t> pickRecord(0, records.size() - 1);
    for (int i = 0; i < lookupCount; ++i) {
        auto family = static_cast<Family>(random() % familyCount);
        const Record* record = &records[pickRecord(random)];
        // A record without keywords gives way to another one; after a few, take a name key.
        for (int tries = 0; family == keywordKeys && record->keywordCount == 0; ++tries) {
            if (tries == 20)
                family = nameKeys;
            else
                record = &records[pickRecord(random)];
        }
        std::string key;
        switch (family) {
        case dateKeys:
            key = MakeDateKey(record->dateSaved);
            break;
        case nameKeys:
            key = MakeNameKey(record->name);
            break;
        case crcKeys:
            key = MakeCrcKey(record->crc);
            break;
        default:
            key = MakeKeywordKey(record->keywords[random() % record->keywordCount]);
            break;
        }
        queries.push_back({family, std::move(key)});
    }
    return queries;
}

struct Latency {
    std::vector<double> all;
    std::array<std::vector<double>, familyCount> byFamily;
    int misses = 0;
    double readsPerLookup = 0;
};

Latency TimeFindExact(CIndexFile& index, const std::vector<Query>& queries) {
    Latency result;
    CFile::IoCounts before = index.GetIoCounts();
    for (const Query& query : queries) {
        CStopwatch watch;
        std::int32_t found = index.FindExact(query.key, true);
        double micros = watch.Micros();
        result.all.push_back(micros);
        result.byFamily[query.family].push_back(micros);
        result.misses += found < 0;
    }
    result.readsPerLookup = static_cast<double>(index.GetIoCounts().reads - before.reads) /
                            static_cast<double>(queries.size());
    return result;
}

Latency TimeLocateRecord(CPictureDatabase& database, int order, const std::vector<Record>& records,
                         std::mt19937_64& random) {
    Latency result;
    database.EndSearch();
    database.Index().SetOrder(order);
    std::uniform_int_distribution<std::size_t> pickRecord(0, records.size() - 1);
    CFile::IoCounts before = database.Index().GetIoCounts();
    for (int i = 0; i < lookupCount; ++i) {
        std::int32_t block = records[pickRecord(random)].block;
        CStopwatch watch;
        int ok = database.LocateRecord(block);
        result.all.push_back(watch.Micros());
        result.misses += !ok || database.Index().GetCurrentRecord() != block;
    }
    result.readsPerLookup =
        static_cast<double>(database.Index().GetIoCounts().reads - before.reads) / lookupCount;
    return result;
}

std::string Aim(bool met, const char* aim) {
    return std::string(aim) + (met ? "" : "  MISSED");
}

void PrintRow(const char* step, const std::string& figure, const std::string& aim = {}) {
    std::printf("%-40s %-42s %s\n", step, figure.c_str(), aim.c_str());
}

std::string LatencyFigure(const std::vector<double>& samples) {
    return Format("median %.1f us, p99 %.1f us", Median(samples), Percentile(samples, 0.99));
}

// The aim, when given, applies to the median.
void PrintLatency(const char* step, const Latency& latency, bool withAim) {
    std::string figure = LatencyFigure(latency.all);
    figure += Format(", %.1f reads", latency.readsPerLookup);
    if (latency.misses > 0)
        figure += Format(", %d NOT FOUND", latency.misses);
    PrintRow(step, figure, withAim ? Aim(Median(latency.all) < 50, "< 50 us") : std::string());
}

// Opens the database as the document does on start: OpenDatabase, then the first GoFirst.
// Milliseconds, or -1 when either fails or the instance is not in the wanted mode.
double TimeOpen(const std::string& base, bool expectReadOnly) {
    auto database = std::make_unique<CPictureDatabase>();
    CStopwatch watch;
    bool ok = database->OpenDatabase(base, false) && database->Index().GoFirst();
    double millis = watch.Millis();
    if (!ok || database->IsReadOnly() != expectReadOnly)
        return -1;
    return millis;
}

bool TimeOpens(const std::string& base, bool expectReadOnly, std::vector<double>& millis) {
    for (int i = 0; i < openCount; ++i) {
        double time = TimeOpen(base, expectReadOnly);
        if (time < 0)
            return false;
        millis.push_back(time);
    }
    return true;
}

// Adding one record as the first change after the database was opened for writing, as a
// document does: a head with a tiny picture goes to the main file untimed, then its
// entries are timed, which includes the writer's first read of its index and any skip
// table rebuild the insertions bring. Milliseconds per open, or an empty list on failure.
std::vector<double> TimeAddAfterOpen(const std::string& base, const std::vector<Record>& records,
                                     std::mt19937_64& random) {
    std::vector<double> millis;
    CMemFile tinyPicture;
    std::vector<std::uint8_t> tinyBytes(600, 0x5A);
    tinyPicture.Write(tinyBytes.data(), tinyBytes.size());
    for (int i = 0; i < openCount; ++i) {
        CPictureDatabase database;
        Record record = records[random() % records.size()];
        CRecordHead head;
        FillHead(record, static_cast<std::uint32_t>(tinyBytes.size()), head);
        if (!database.OpenDatabase(base, false) || database.IsReadOnly() ||
            !database.Main().AppendRecord(tinyPicture, record.block, head))
            return {};
        CStopwatch watch;
        if (!database.AddRecordEntries(head, record.block))
            return {};
        millis.push_back(watch.Millis());
    }
    return millis;
}

// The first open also pays for the process's first touch of memory the size of the index
// (the writer reads every entry), as an open at program start does; later ones reuse it.
std::string OpenFigure(const std::vector<double>& millis) {
    return Format("median %.2f ms, first %.2f ms", Median(millis), millis.front());
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
        std::fprintf(stderr, "bench_index: cannot make a scratch folder\n");
        return 1;
    }
    std::string base = folder.Child("index");

    std::mt19937_64 random(20010909);
    std::vector<Record> records = MakeCollectionRecords(options.records, random);
    std::array<std::int64_t, familyCount> keysOf = {};
    int nineDigitDates = 0;
    for (const Record& record : records) {
        keysOf[dateKeys] += 1;
        keysOf[nameKeys] += 1;
        keysOf[crcKeys] += 1;
        keysOf[keywordKeys] += record.keywordCount;
        nineDigitDates += record.dateSaved < 1000000000;
    }
    std::int64_t keys = keysOf[0] + keysOf[1] + keysOf[2] + keysOf[3];
    std::printf("bench_index: %lld records, %lld keys (date %lld, name %lld, CRC %lld, "
                "keyword %lld)\n",
                static_cast<long long>(records.size()), static_cast<long long>(keys),
                static_cast<long long>(keysOf[0]), static_cast<long long>(keysOf[1]),
                static_cast<long long>(keysOf[2]), static_cast<long long>(keysOf[3]));
    std::printf(
        "%d dates of 9 digits, dates %d to %d, %d keywords in the vocabulary\n", nineDigitDates,
        records.front().dateSaved, records.back().dateSaved,
        static_cast<int>(std::count(vocabularyText.begin(), vocabularyText.end(), '|') + 1));
    if (keys > skipTableCapacity)
        std::printf("note: more keys than the skip table covers (%lld)\n",
                    static_cast<long long>(skipTableCapacity));
    std::printf("scratch folder: %s, load average %.2f\n\n", folder.Path().c_str(), LoadAverage());
    PrintRow("step", "figure", "aim");

    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true)) {
            std::fprintf(stderr, "bench_index: cannot create the database %s\n", base.c_str());
            return 1;
        }

        // The heads (each with a tiny picture) go to the main file first, so the insertion
        // below is timed on its own with the block numbers adding would have given.
        CMemFile tinyPicture;
        std::vector<std::uint8_t> tinyBytes(600, 0x5A);
        tinyPicture.Write(tinyBytes.data(), tinyBytes.size());
        std::vector<CRecordHead> heads(records.size());
        CStopwatch watch;
        for (std::size_t i = 0; i < records.size(); ++i) {
            FillHead(records[i], static_cast<std::uint32_t>(tinyBytes.size()), heads[i]);
            if (!database.Main().AppendRecord(tinyPicture, records[i].block, heads[i])) {
                std::fprintf(stderr, "bench_index: writing head %zu failed\n", i);
                return 1;
            }
        }
        PrintRow(Format("main file: %zu heads + tiny pictures", records.size()).c_str(),
                 Format("%.3f s", watch.Seconds()));

        CIndexFile& index = database.Index();
        std::int32_t entriesBefore = index.EntryCount();
        CFile::IoCounts before = index.GetIoCounts();
        double cpuBefore = ProcessCpuSeconds();
        watch.Restart();
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (!database.AddRecordEntries(heads[i], records[i].block)) {
                std::fprintf(stderr, "bench_index: AddRecordEntries failed at record %zu\n", i);
                return 1;
            }
        }
        double insertSeconds = watch.Seconds();
        double insertCpu = ProcessCpuSeconds() - cpuBefore;
        CFile::IoCounts after = index.GetIoCounts();
        std::int64_t inserted = index.EntryCount() - entriesBefore;
        double perKey = static_cast<double>(std::max<std::int64_t>(inserted, 1));
        PrintRow("index: AddRecordEntries, every record",
                 Format("%.3f s, %lld keys, %.2f us/key", insertSeconds,
                        static_cast<long long>(inserted), insertSeconds * 1e6 / perKey),
                 Aim(insertSeconds < 10, "< 10 s"));
        PrintRow("  processor time (user + system)",
                 Format("%.3f s, %.2f us/key", insertCpu, insertCpu * 1e6 / perKey));
        PrintRow("  index file reads / writes per key",
                 Format("%.3f / %.3f", static_cast<double>(after.reads - before.reads) / perKey,
                        static_cast<double>(after.writes - before.writes) / perKey));
        if (inserted != keys)
            std::printf("WARNING: %lld keys expected, %lld entries written\n",
                        static_cast<long long>(keys), static_cast<long long>(inserted));

        std::vector<Query> queries = MakeQueries(records, random);
        Latency exact = TimeFindExact(index, queries);
        PrintLatency(Format("FindExact, %d random keys", lookupCount).c_str(), exact, true);
        for (int family = 0; family < familyCount; ++family)
            PrintRow(Format("  %s keys", familyNames[family]).c_str(),
                     LatencyFigure(exact.byFamily[family]));

        Latency byName = TimeLocateRecord(database, OrderFamily::fileName, records, random);
        PrintLatency(Format("LocateRecord, name order, %d", lookupCount).c_str(), byName, true);
        Latency byDate = TimeLocateRecord(database, OrderFamily::dateSaved, records, random);
        PrintLatency(Format("LocateRecord, date order, %d", lookupCount).c_str(), byDate, true);
    }

    std::vector<double> opens;
    if (!TimeOpens(base, false, opens)) {
        std::fprintf(stderr, "bench_index: opening the database failed\n");
        return 1;
    }
    PrintRow(Format("OpenDatabase + GoFirst, %d opens", openCount).c_str(), OpenFigure(opens),
             Aim(Median(opens) < 50, "< 50 ms"));
    std::vector<double> adds = TimeAddAfterOpen(base, records, random);
    if (adds.empty()) {
        std::fprintf(stderr, "bench_index: adding a record after an open failed\n");
        return 1;
    }
    PrintRow(Format("  then adding one record, %d opens", openCount).c_str(), OpenFigure(adds),
             Aim(Median(adds) < 50, "< 50 ms"));

    CPictureDatabase writer;
    if (!writer.OpenDatabase(base, false) || writer.IsReadOnly()) {
        std::fprintf(stderr, "bench_index: the holding open failed\n");
        return 1;
    }
    std::vector<double> readOnlyOpens;
    if (!TimeOpens(base, true, readOnlyOpens)) {
        std::fprintf(stderr, "bench_index: the second, read-only open failed\n");
        return 1;
    }
    PrintRow(Format("  second open, read-only, %d opens", openCount).c_str(),
             OpenFigure(readOnlyOpens), Aim(Median(readOnlyOpens) < 50, "< 50 ms"));

    CPictureDatabase reader;
    if (!reader.OpenDatabase(base, false) || !reader.IsReadOnly()) {
        std::fprintf(stderr, "bench_index: the read-only open failed\n");
        return 1;
    }
    Latency readerExact = TimeFindExact(reader.Index(), MakeQueries(records, random));
    PrintLatency("  FindExact in the read-only instance", readerExact, true);
    return 0;
}
