// Data exchange between the open database and another one.
#include "collection/DataExchange.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/CommitBatch.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"

#include <cstdio>
#include <optional>
#include <unordered_map>

namespace {

bool StartsWithCrcFamily(std::string_view key) {
    return !key.empty() && key[0] == IndexFormat::crcFamily;
}

// The data sizes of receiving's records read so far. A 16-bit checksum is shared by
// several records of a large collection, so without it every picture of a pass would read
// the heads of all its checksum's records again.
using DataSizes = std::unordered_map<std::int32_t, std::int64_t>;

std::int64_t DataSize(CPictureDatabase& db, std::int32_t record, DataSizes& sizes) {
    if (const auto known = sizes.find(record); known != sizes.end())
        return known->second;
    const std::int64_t size = db.GetDataSize(record);
    if (size >= 0) // a head that cannot be read is tried, and reported, each time
        sizes.emplace(record, size);
    return size;
}

// Answers, for the giving pass's checksum keys in ascending order, whether receiving holds
// a live record with the key whose data size is the given one: one walk along receiving's
// list for the whole pass instead of a positioned search per picture. A key below the last
// one (a damaged order) or a change to receiving (Restart) starts again with a search.
class CReceivingWalk {
public:
    explicit CReceivingWalk(CPictureDatabase& receiving) : m_db(receiving) {}

    void Restart() { m_at = notStarted; }

    bool Holds(std::string_view key, std::int64_t size) {
        CIndexFile& index = m_db.Index();
        if (m_at == notStarted || CompareKeys(key, m_lastKey, true) < 0) {
            m_at = index.FindFirstOrBefore(key, true);
            m_steps = index.EntryCount();
        }
        m_lastKey = key;
        // Past the entries below key: they are below every key still to come.
        CIndexEntry entry;
        for (; m_at >= 0 && m_steps > 0; --m_steps) {
            if (!index.ReadEntry(entry, m_at))
                return Restart(), false;
            if (CompareKeys(entry.Key(), key, true) >= 0)
                break;
            m_at = entry.next;
        }
        std::int32_t i = m_at;
        for (std::int32_t budget = index.EntryCount(); i >= 0 && budget > 0; --budget) {
            if (!index.ReadEntry(entry, i))
                return Restart(), false;
            if (CompareKeys(entry.Key(), key, true) != 0)
                break;
            if (!entry.IsDeleted() && DataSize(m_db, entry.record, m_sizes) == size)
                return true;
            i = entry.next;
        }
        return false;
    }

private:
    static constexpr std::int32_t notStarted = -2;
    CPictureDatabase& m_db;
    std::int32_t m_at = notStarted; // no entry before it is at or above the last key
    std::int32_t m_steps = 0;       // moves left to the walk (a damaged list may loop)
    std::string m_lastKey;
    DataSizes m_sizes;
};

} // namespace

bool ChooseExchangeDestination(ISettings& settings, IOpenFileDialog& dialog, std::string& path) {
    CSaveFileRequest request;
    request.title = "Open Picdex file";
    request.filter = "Picdex|*.PXM||";
    request.defaultExtension = "PXM";
    request.initialFolder = settings.GetProfileString("Options", "OpenPath", "");
    std::string chosen;
    if (!dialog.AskOpenPath(request, chosen) || chosen.empty())
        return false;
    settings.WriteProfileString("Options", "OpenPath", GetFolder(chosen));
    path = chosen;
    return true;
}

std::string ExchangeQuestion(int count) {
    char text[64];
    std::snprintf(text, sizeof text, "%d pics found to transter. Continue?", count);
    return text;
}

int ExchangeOneWay(CPictureDatabase& db, const std::string& otherPath, bool outward, bool countOnly,
                   IExchangeProgress* progress) {
    CPictureDatabase other;
    if (!other.OpenDatabase(otherPath, true))
        return -1;
    if (other.IsReadOnly()) {
        ShowMessage("Cannot open. File already in use or is READONLY.");
        return 0;
    }
    CPictureDatabase& giving = outward ? db : other;
    CPictureDatabase& receiving = outward ? other : db;
    // Both indexes are walked entry by entry, the receiving one beside the giving one.
    giving.Index().Preload();
    receiving.Index().Preload();
    CIndexFile& index = giving.Index();

    // A copy leaves the receiving index's cursor on the entry it inserted; the open
    // database's cursor is the document's current record and must stay where it was.
    const std::int32_t current = db.Index().GetCurrentNumber();
    int count = 0;
    // The copies share their syncs; copies a failed sync took back are not counted.
    std::optional<CCommitBatch> batch;
    if (!countOnly)
        batch.emplace(receiving, CCommitBatch::command,
                      [&](bool synced, std::span<const std::int32_t> records) {
                          if (!synced)
                              count -= static_cast<int>(records.size());
                      });
    CReceivingWalk receivingWalk(receiving);
    std::int32_t i = index.FindFirstOrBefore(std::string(1, IndexFormat::crcFamily), true);
    bool failed = i < 0 && index.GetLastError() != 0;
    for (std::int32_t budget = index.EntryCount(); i != -1 && budget > 0; --budget) {
        if (!countOnly && progress)
            progress->ProcessPending();
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i)) {
            failed = true;
            break;
        }
        if (!StartsWithCrcFamily(entry.Key()))
            break;
        i = entry.next;
        if (entry.IsDeleted())
            continue;
        const std::int64_t size = giving.GetDataSize(entry.record);
        failed = failed || size < 0;
        if (size < 0 || receivingWalk.Holds(entry.Key(), size))
            continue;
        if (countOnly) {
            ++count;
            continue;
        }
        // The copy's entries change receiving's list under the walk.
        receivingWalk.Restart();
        if (giving.CopyRecord(entry.record, receiving)) {
            ++count;
            if (progress) {
                char text[32];
                std::snprintf(text, sizeof text, "Copied : %d", count);
                progress->ShowProgress(text);
            }
        } else {
            failed = true;
        }
    }
    if (batch && !batch->Finish())
        failed = true;
    if (!outward && !countOnly && current >= 0)
        db.Index().GoTo(current);
    return failed ? -1 : count;
}

namespace {

// Runs the passes of direction; -1 as soon as one cannot open the other database.
int RunPasses(CPictureDatabase& db, const std::string& destination, int direction, bool countOnly,
              IExchangeProgress* progress) {
    int total = 0;
    if (direction != ExchangeDirection::inward) {
        const int out = ExchangeOneWay(db, destination, true, countOnly, progress);
        if (out < 0)
            return -1;
        total += out;
    }
    if (direction != ExchangeDirection::outward) {
        const int in = ExchangeOneWay(db, destination, false, countOnly, progress);
        if (in < 0)
            return -1;
        total += in;
    }
    return total;
}

} // namespace

int CountExchange(CPictureDatabase& db, const std::string& destination, int direction) {
    if (destination == db.GetMainPath())
        return -1;
    if (!FileExists(destination)) {
        ShowMessage(destination + " not found");
        return -1;
    }
    return RunPasses(db, destination, direction, true, nullptr);
}

int CopyExchange(CPictureDatabase& db, const std::string& destination, int direction,
                 IExchangeProgress* progress) {
    return RunPasses(db, destination, direction, false, progress);
}

int DataExchange(CPictureDatabase& db, IDataExchangeDialog& dialog, IExchangeProgress& progress) {
    int direction = ExchangeDirection::both;
    std::string destination;
    if (!dialog.AskExchange(GetFileName(db.GetMainPath()), direction, destination))
        return -1;
    if (direction < ExchangeDirection::both || direction > ExchangeDirection::inward)
        direction = ExchangeDirection::both;
    progress.Counting(true);
    const int found = CountExchange(db, destination, direction);
    progress.Counting(false);
    if (found < 0)
        return -1;
    if (found == 0) {
        ShowMessage("No pic found to transfer");
        return -1;
    }
    if (!progress.AskStart(ExchangeQuestion(found)))
        return -1;
    const int copied = CopyExchange(db, destination, direction, &progress);
    progress.Finish();
    if (copied < 0)
        return -1;
    ShowMessage("Data transfer completed");
    return copied;
}
