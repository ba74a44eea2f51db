#include "storage/CommitBatch.h"

#include "storage/MainFile.h"
#include "storage/PictureDatabase.h"

#include <utility>

CCommitBatch::CCommitBatch(CPictureDatabase& db, Limits limits, Handler handler)
    : m_db(db), m_limits(limits), m_handler(std::move(handler)) {
    m_db.SetBatch(this);
}

CCommitBatch::~CCommitBatch() {
    Finish();
    m_db.SetBatch(nullptr);
}

int CCommitBatch::Finish() {
    return m_pending ? Sync(-1) : 1;
}

bool CCommitBatch::Due() const {
    // Compared in milliseconds: the age of a whole build is the largest count, which no
    // finer unit holds.
    using std::chrono::duration_cast;
    if (duration_cast<std::chrono::milliseconds>(Clock::now() - m_since) >= m_limits.age)
        return true;
    if (m_firstBlocks < 0)
        return false;
    const std::int64_t blocks = std::int64_t{m_db.Main().BlockCount()} - m_firstBlocks;
    return blocks * MainFormat::blockSize >= m_limits.bytes;
}

int CCommitBatch::Commit() {
    if (!m_pending) {
        m_pending = true;
        m_since = Clock::now();
    }
    return Due() ? Sync(-1) : 1;
}

int CCommitBatch::CommitAdd(std::int32_t headBlock, std::int32_t mainBlocks,
                            std::function<void()> undo) {
    if (!m_undo) {
        // The first add since the last sync: taking it back takes back every later one.
        m_undo = std::move(undo);
        m_firstBlocks = mainBlocks;
    }
    m_records.push_back(headBlock);
    if (!m_pending) {
        m_pending = true;
        m_since = Clock::now();
    }
    return Due() ? Sync(headBlock) : 1;
}

int CCommitBatch::Sync(std::int32_t failingAdd) {
    const int synced = m_db.SyncFiles();
    std::vector<std::int32_t> records = std::move(m_records);
    std::function<void()> undo = std::move(m_undo);
    m_records.clear();
    m_undo = nullptr;
    m_pending = false;
    m_firstBlocks = -1;
    if (!synced) {
        if (undo)
            undo();
        if (!records.empty() && records.back() == failingAdd)
            records.pop_back();
    }
    if (m_handler && !records.empty())
        m_handler(synced != 0, records);
    return synced;
}
