// CheckDatabase: opens the two files of a database for reading, runs the index file's and
// the main file's checks and matches every record head against the entries naming it. A
// head that no entry names is index damage when its record is complete, and an unfinished
// record, noted by the main file's check, when it is not.
#include "storage/DatabaseCheck.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "storage/DatabaseCheckIndex.h"
#include "storage/DatabaseCheckLog.h"
#include "storage/DatabaseCheckMain.h"
#include "storage/IndexEntry.h"
#include "storage/RecordHead.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// Matches the record head at block with the entries naming it, when there are any: every
// key the head gives has an entry, a live record's CRC, date and name entries are live, and no live
// entry carries a key the head does not give. Returns true when the record is live: its file-name
// entry is not flagged deleted.
//
// A live record's entries all live: a keyword entry flagged deleted alone hides the
// record from that keyword's search (a deletion cut short, or damage). One case is the
// program's own: removing a keyword flags every entry of the record whose key equals it
// after case folding, so removing "Sea" while keeping "sea" leaves "sea" without a live
// entry; the flagged "Sea" entry, a key the head no longer gives, tells that case.
// True when key is a keyword and a flagged entry of the record holds a key that differs
// from it only in letter case and that the head no longer gives: a case variant removed.
bool KeywordVariantRemoved(const std::vector<CIndexEntry>& entries,
                           const std::vector<std::string>& keys, const std::string& key) {
    if (key[0] != IndexFormat::keywordFamily)
        return false;
    const std::string folded = FoldLower(key);
    return std::any_of(entries.begin(), entries.end(), [&](const CIndexEntry& e) {
        return e.IsDeleted() && e.Key() != key && FoldLower(e.Key()) == folded &&
               std::find(keys.begin(), keys.end(), e.Key()) == keys.end();
    });
}

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
        else if (live && !foundLive && !KeywordVariantRemoved(entries, keys, *key))
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

// One check of the two files as they are now.
DatabaseCheckResult CheckOnce(const std::string& mainPath, const std::string& indexPath, bool quick,
                              const ThumbnailCheck& thumbnailDecodes) {
    DatabaseCheckResult result;
    CCheckLog log(result);
    CMainCheck main(log);
    CIndexCheck index(log);
    const bool mainOpen = main.Open(mainPath);
    const bool indexOpen = index.Open(indexPath);

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

} // namespace

DatabaseCheckResult CheckDatabase(const std::string& path, bool quick,
                                  const ThumbnailCheck& thumbnailDecodes) {
    const std::string base = StripExtension(path);
    const std::string mainPath = ResolveCaseInsensitive(base + ".PXM");
    const std::string indexPath = ResolveCaseInsensitive(base + ".PXI");
    auto stamp = [&] { return std::pair(GetFileStamp(mainPath), GetFileStamp(indexPath)); };
    // Another instance may write the database while it is read, and a read that races a
    // write sees a state that was never on disk as a whole. Damage stays where it is; a
    // write in progress changes the files. So a check that finds problems while the files
    // changed under it, or in a pause after it, is repeated: a writer that has written the
    // main file and is still syncing it before its index entries leaves the files still for
    // a moment. Problems stand only when the files stayed unchanged through the check and
    // the pause that follows it.
    constexpr int attempts = 8;
    DatabaseCheckResult result;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const auto start = stamp();
        result = CheckOnce(mainPath, indexPath, quick, thumbnailDecodes);
        if (result.Clean())
            return result;
        std::this_thread::sleep_for(std::chrono::milliseconds(50 * (attempt + 1)));
        if (stamp() == start)
            return result;
    }
    return result;
}
