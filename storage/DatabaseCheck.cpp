// CheckDatabase: opens the two files of a database for reading, runs the index file's and
// the main file's checks and matches every record head against the entries naming it. A
// head that no entry names is index damage when its record is complete, and an unfinished
// record, noted by the main file's check, when it is not.
#include "storage/DatabaseCheck.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "storage/DatabaseCheckIndex.h"
#include "storage/DatabaseCheckLog.h"
#include "storage/DatabaseCheckMain.h"
#include "storage/IndexEntry.h"
#include "storage/RecordHead.h"

#include <algorithm>

namespace {

// Matches the record head at block with the entries naming it, when there are any: every
// key the head gives has an entry, a live record's CRC, date and name entries are live, and no live
// entry carries a key the head does not give. Returns true when the record is live: its file-name
// entry is not flagged deleted.
//
// A live record's keyword entry may be flagged: removing a keyword flags every entry of
// the record whose key equals it after case folding, so removing "Sea" while keeping
// "sea" leaves "sea" without a live entry.
bool MatchEntries(const CIndexCheck& index, CCheckLog& log, std::int32_t block,
                  const CRecordHead& head) {
    const std::string where = "record at block " + std::to_string(block);
    const auto named = index.EntriesOf(block);
    if (named.empty())
        return false;
    std::vector<CIndexEntry> entries;
    entries.reserve(named.size());
    for (const auto& pair : named)
        entries.push_back(index.Entry(pair.second));

    const std::vector<std::string> keys = RecordKeys(head);
    const std::string& nameKey = keys[2];
    const bool live = std::any_of(entries.begin(), entries.end(), [&](const CIndexEntry& e) {
        return !e.IsDeleted() && e.Key() == nameKey;
    });
    for (auto key = keys.begin(); key != keys.end(); ++key) {
        if (std::find(keys.begin(), key, *key) != key)
            continue; // a keyword given twice needs one entry
        bool found = false, foundLive = false;
        for (const CIndexEntry& entry : entries) {
            if (entry.Key() == *key) {
                found = true;
                foundLive = foundLive || !entry.IsDeleted();
            }
        }
        if (!found)
            log.Add(CheckedFile::index, "records missing an entry",
                    where + ": no entry for its key " + QuoteText(*key));
        else if (live && !foundLive && (*key)[0] != IndexFormat::keywordFamily)
            log.Add(CheckedFile::index, "records partly deleted",
                    where + ": its entry for " + QuoteText(*key) +
                        " is flagged deleted, its file-name entry is not");
    }
    for (const CIndexEntry& entry : entries) {
        if (entry.IsDeleted())
            continue;
        const std::string what =
            "entry " + std::to_string(entry.number) + " (key " + QuoteText(entry.Key()) + ")";
        if (!live)
            log.Add(CheckedFile::index, "records partly deleted",
                    what + ": live, but the file-name entry of the " + where +
                        " is flagged deleted or missing");
        else if (std::find(keys.begin(), keys.end(), entry.Key()) == keys.end())
            log.Add(CheckedFile::index, "entries with a key their record lacks",
                    what + ": live, but the " + where + " has no such key");
    }
    return live;
}

} // namespace

DatabaseCheckResult CheckDatabase(const std::string& path, bool quick,
                                  const ThumbnailCheck& thumbnailDecodes) {
    DatabaseCheckResult result;
    CCheckLog log(result);
    const std::string base = StripExtension(path);
    CMainCheck main(log);
    CIndexCheck index(log);
    const bool mainOpen = main.Open(ResolveCaseInsensitive(base + ".PXM"));
    const bool indexOpen = index.Open(ResolveCaseInsensitive(base + ".PXI"));

    if (quick) {
        if (mainOpen)
            main.CheckQuick();
        if (indexOpen)
            index.CheckQuick();
        result.records = -1;
        result.liveRecords = -1;
        result.entries = index.EntryCount();
        log.Finish();
        return result;
    }

    if (indexOpen)
        index.CheckFull();
    std::int32_t live = 0;
    CMainCheck::HeadVisitor match;
    CMainCheck::EntriesKnown hasEntries;
    if (index.EntriesLoaded()) {
        match = [&](std::int32_t block, const CRecordHead& head) {
            live += MatchEntries(index, log, block, head) ? 1 : 0;
        };
        hasEntries = [&](std::int32_t block) { return !index.EntriesOf(block).empty(); };
    }
    if (mainOpen)
        main.CheckFull(match, hasEntries, thumbnailDecodes);
    for (std::int32_t block : main.UnindexedHeads())
        log.Add(CheckedFile::index, "records without entries",
                "record at block " + std::to_string(block) + ": no index entry names it");
    if (main.AllBlocksRead() && index.EntriesLoaded())
        index.CheckRecordsAreHeads(main.BlockCount(),
                                   [&](std::int32_t block) { return main.IsHead(block); });
    result.records = main.RecordCount();
    result.liveRecords = live;
    result.entries = index.EntryCount();
    log.Finish();
    return result;
}
