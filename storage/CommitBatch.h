// CCommitBatch: lets the changes a command makes in a row share one pair of syncs.
//
// While a batch is open on a database, the Commit that ends each change (see
// CPictureDatabase) syncs the main file and then the index only when the changes pending
// since the last sync began longer ago than the age limit, or the records added since hold
// more than the size limit; Finish syncs the rest. A change made inside a batch is
// therefore durable only after the batch's next sync, and the handler is told of every
// sync with the records added that it made durable: only then may a command report them
// stored. A command that waits for the user calls Finish first, so nothing waits unsynced
// behind a dialog.
//
// A sync that fails takes back every record added since the last successful one, as a
// failed add is taken back (the file error has been shown), and tells the handler which
// records it took back, except the one whose add met the failure: that add fails itself.
// Changes other than adds stay as written; the command reports its failure.
//
// One batch per database at a time; it must not outlive the database's open files.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <vector>

class CPictureDatabase;

class CCommitBatch {
public:
    struct Limits {
        std::chrono::milliseconds age;
        std::int64_t bytes;
    };
    // What a command batches: about a quarter of a second or 64 MB of pictures.
    static constexpr Limits command{std::chrono::milliseconds(250), std::int64_t{64} << 20};
    // A build that nothing sees before it is finished: one sync, at Finish.
    static constexpr Limits whole{std::chrono::milliseconds::max(),
                                  std::numeric_limits<std::int64_t>::max()};

    // synced: records are on stable storage; otherwise they were taken back.
    using Handler = std::function<void(bool synced, std::span<const std::int32_t> records)>;

    CCommitBatch(CPictureDatabase& db, Limits limits = command, Handler handler = {});
    // Finishes the batch (a failure has been shown) and lets the database commit at once again.
    ~CCommitBatch();
    CCommitBatch(const CCommitBatch&) = delete;
    CCommitBatch& operator=(const CCommitBatch&) = delete;

    // Syncs what is pending. 1, or 0 after a failed sync. The batch stays open.
    int Finish();

    // For CPictureDatabase: the end of a change (Commit) and of an add of the record at
    // headBlock, whose main file held mainBlocks blocks before it; undo takes the add back
    // (and, for the first add pending, every later one). 1, or 0 when a sync was due and
    // failed.
    int Commit();
    int CommitAdd(std::int32_t headBlock, std::int32_t mainBlocks, std::function<void()> undo);

private:
    bool Due() const;
    // Syncs; on failure runs the undo of the first pending add. Reports to the handler
    // the pending records but the one given (an add that fails on its own).
    int Sync(std::int32_t failingAdd);

    using Clock = std::chrono::steady_clock;
    CPictureDatabase& m_db;
    Limits m_limits;
    Handler m_handler;
    bool m_pending = false;
    Clock::time_point m_since;
    std::int32_t m_firstBlocks = -1; // the main file's blocks before the first pending add
    std::function<void()> m_undo;    // takes back every pending add
    std::vector<std::int32_t> m_records;
};
