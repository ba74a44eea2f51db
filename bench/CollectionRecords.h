// The records of a realistic collection, as the benchmarks that build large databases fill
// them in: camera and holiday file names with repeats and case variants, dates saved
// increasing over a few years and starting with 9-digit ones, random CRCs and 0 to 6
// keywords with Zipf-like frequencies. The same seed always gives the same records.
#pragma once

#include "bench/KeywordVocabulary.h"
#include "storage/PictureDatabase.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Widths of distinct pictures: 4, 8, ... 256 pixels.
inline constexpr int maxWidthSteps = 64;

struct CollectionRecord {
    std::string name;
    std::int32_t dateSaved = 0;
    std::int32_t dateCreated = 0;
    std::uint16_t crc = 0; // picks the picture's bytes; the head stores their true checksum
    int width = 4;         // drawn only for distinct pictures, where it sets the data size
    int keywordCount = 0;
    CPictureDatabase::Keywords keywords;
    std::int32_t block = -1; // head block, once written
};

// What tells two pictures apart when the width sets the data size: CRC and width.
inline std::uint32_t PictureKey(const CollectionRecord& record) {
    return std::uint32_t{record.crc} << 16 | static_cast<std::uint32_t>(record.width);
}

enum class RecordSource { img, dsc, dscn, panasonic, phone, holiday, scan, other, again };
// Names the cameras (and a phone, in lower case) give, in the order of RecordSource.
inline constexpr const char* cameraFormats[] = {"IMG_%04d.JPG", "DSC%05d.JPG", "DSCN%04d.JPG",
                                                "P10%05d.JPG", "img_%04d.jpg"};

// Pictures arrive in sessions (one camera or folder at a time, seconds apart), sessions
// days apart. Camera counters wrap at 9999, so names repeat; phones write the camera's
// names in lower case.
// Without distinctPictures, sometimes a folder is added a second time (same names and
// CRCs) and the width stays at its default. With it, no picture repeats: every (CRC,
// width) pair is new to the set, which is shared across calls and grows with each record.
inline std::vector<CollectionRecord>
MakeCollectionRecords(std::int64_t count, std::mt19937_64& random,
                      std::set<std::uint32_t>* distinctPictures = nullptr) {
    std::vector<CollectionRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    CZipfWords words(random);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // Weights of the sources, in the order of RecordSource.
    const double againWeight = distinctPictures ? 0 : 6;
    std::discrete_distribution<int> pickSource({30, 18, 8, 7, 10, 12, 6, 3, againWeight});
    // Keywords per record: mean about 2, so 50,000 records give about 250,000 keys.
    std::discrete_distribution<int> pickKeywordCount({25, 20, 18, 14, 10, 7, 6});
    std::array<int, 9> counters = {
        below(9999), below(9999), below(9999), below(9999), below(9999), 0, below(999), 0, 0};
    // A few minutes before 1,000,000,000 seconds, so the first dates have 9 digits.
    std::int64_t date = 999999000;
    char name[96];

    for (bool first = true; static_cast<std::int64_t>(records.size()) < count; first = false) {
        auto source = static_cast<RecordSource>(pickSource(random));
        if (first || (source == RecordSource::again && records.empty()))
            source = RecordSource::img;
        int size = first ? 40 : 5 + below(140);
        if (!first)
            date += 3600 + below(4 * 86400);
        std::size_t againFrom =
            source == RecordSource::again ? below(static_cast<int>(records.size())) : 0;
        const char* event = events[below(std::size(events))];
        const char* place = places[below(std::size(places))];
        int year = static_cast<int>(1970 + date / 31556952);
        int& counter = counters[static_cast<int>(source)];
        if (source == RecordSource::holiday)
            counter = 0;

        for (int k = 0; k < size && static_cast<std::int64_t>(records.size()) < count; ++k) {
            CollectionRecord record;
            date += below(4);
            counter = counter % 9999 + 1;
            if (source < RecordSource::holiday)
                std::snprintf(name, sizeof name, cameraFormats[static_cast<int>(source)], counter);
            else if (source == RecordSource::holiday)
                std::snprintf(name, sizeof name, "%s %d %s %03d.jpg", event, year, place, counter);
            else if (source == RecordSource::scan)
                std::snprintf(name, sizeof name, k % 2 ? "scan%04d.tif" : "Scan%04d.TIF", counter);
            else if (source == RecordSource::other)
                std::snprintf(name, sizeof name, k % 3 ? "anim%03d.gif" : "drawing%03d.bmp",
                              counter % 1000);
            if (source == RecordSource::again) {
                const CollectionRecord& earlier = records[(againFrom + k) % records.size()];
                record.name = earlier.name;
                record.crc = earlier.crc;
                record.width = earlier.width;
            } else if (distinctPictures) {
                record.name = name;
                do {
                    record.crc = static_cast<std::uint16_t>(random());
                    record.width = 4 * (1 + below(maxWidthSteps));
                } while (!distinctPictures->insert(PictureKey(record)).second);
            } else {
                record.name = name;
                record.crc = static_cast<std::uint16_t>(random());
            }
            record.dateSaved = static_cast<std::int32_t>(date);
            record.dateCreated = static_cast<std::int32_t>(date - below(60 * 86400));
            int wanted = pickKeywordCount(random);
            // Distinct keywords; give up on a slot after a few draws of taken words.
            for (int tries = 0; record.keywordCount < wanted && tries < 50; ++tries) {
                std::string_view word = words.Draw(random);
                bool taken = false;
                for (int slot = 0; slot < record.keywordCount; ++slot)
                    taken = taken || record.keywords[slot] == word;
                if (!taken)
                    record.keywords[record.keywordCount++] = word;
            }
            records.push_back(std::move(record));
        }
    }
    return records;
}
