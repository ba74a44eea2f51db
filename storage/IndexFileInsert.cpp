// CIndexFile's insertions, their rollback and the rebuilds of the skip table they start.
#include "storage/IndexFile.h"

#include "platform/FileException.h"

using namespace IndexFormat;

namespace {
// Rebuilds of the skip table wait for this many insertions in the middle of the list.
constexpr std::uint32_t rebuildThreshold = 256;
} // namespace

void CIndexFile::Append(CIndexEntry& entry, std::int32_t n) {
    const int length = m_header.skipLength;
    std::int32_t last = length > 0 ? m_header.skip[static_cast<std::size_t>(length - 1)] : -1;
    entry.next = -1;
    if (last == -1) {
        // An empty table over entries that are linked into a list is damage: a new list
        // started here would leave every one of them behind. (An entry on no list is what
        // a first insertion that failed before its header was written leaves.)
        for (std::int32_t i = 0; i < n; ++i) {
            const CIndexEntry old = Load(i);
            if (old.previous != -1 || old.next != -1)
                throw CFileException(FileCause::generic);
        }
        entry.previous = -1;
        Store(entry, n);
        m_header.skip[0] = n;
        m_header.skip[1] = n;
        m_header.skipLength = 2;
    } else {
        CIndexEntry tail = Load(last);
        // The last slot must name the entry that ends the list; linking after any other
        // would cut off the entries that follow it.
        if (tail.next != -1)
            throw CFileException(FileCause::generic);
        entry.previous = last;
        Store(entry, n);
        tail.next = n;
        Store(tail, last);
        m_header.skip[static_cast<std::size_t>(length - 1)] = n;
    }
    WriteHeader(false);
    m_lastInserted = n;
    m_skip.NoteAppend(n);
}

void CIndexFile::InsertBefore(CIndexEntry& entry, std::int32_t p, std::int32_t n) {
    CIndexEntry after = Load(p);
    std::int32_t q = after.previous;
    CIndexEntry before;
    if (q != -1) {
        before = Load(q);
        // A previous link that does not lead back is damage: linking the new entry after
        // q would cut off the entries between q and p.
        if (before.next != p)
            throw CFileException(FileCause::generic);
    } else if (p != m_header.skip[0])
        throw CFileException(FileCause::generic); // only the first entry lacks a previous one
    entry.previous = q;
    entry.next = p;
    Store(entry, n);
    after.previous = n;
    Store(after, p);
    if (q != -1) {
        before.next = n;
        Store(before, q);
        BumpModificationCount();
    } else {
        m_header.skip[0] = n;
        WriteHeader(false);
    }
    m_lastInserted = n;
    m_skip.NoteInsertBefore(n, p);
}

int CIndexFile::InsertKey(CIndexEntry& entry, bool foldCase) {
    return Guard(0, [&] {
        std::string key(entry.Key());
        std::int32_t p = FindInsertPositionOrThrow(key, foldCase);
        std::int32_t n = CountEntries();
        entry.flags = entry.flags == -1 ? 0 : entry.flags;
        try {
            if (p == -2) {
                Append(entry, n);
                RebuildOrThrow(true);
            } else {
                InsertBefore(entry, p, n);
                RebuildOrThrow(false);
            }
        } catch (const CFileException&) {
            m_skip.Forget();
            throw;
        }
        return 1;
    });
}

CIndexFile::Savepoint CIndexFile::MakeSavepoint() {
    Savepoint point;
    Guard(0, [&] {
        RefreshHeaderOrThrow();
        point.header = m_header;
        point.entries = CountEntries();
        point.lastInserted = m_lastInserted;
        return 1;
    });
    return point;
}

int CIndexFile::RollBack(const Savepoint& point) {
    return Guard(0, [&] {
        if (point.entries < 0)
            throw CFileException(FileCause::generic);
        RefreshHeaderOrThrow();
        const std::int32_t generation = m_header.generation;
        const std::int32_t count = CountEntries();
        // Nothing was written since: nothing to take back.
        if (count == point.entries && generation == point.header.generation &&
            m_file.GetLength() == EntryFileOffset(count))
            return 1;
        // Latest first: each entry is then linked between the neighbours it was inserted
        // between. An entry whose insertion failed before its neighbours named it is
        // only cut off.
        for (std::int32_t i = count - 1; i >= point.entries; --i) {
            const CIndexEntry entry = Load(i);
            if (entry.previous >= 0 && entry.previous < count) {
                CIndexEntry before = Load(entry.previous);
                if (before.next == i) {
                    before.next = entry.next;
                    Store(before, entry.previous);
                }
            }
            if (entry.next >= 0 && entry.next < count) {
                CIndexEntry after = Load(entry.next);
                if (after.previous == i) {
                    after.previous = entry.previous;
                    Store(after, entry.next);
                }
            }
        }
        ForgetCaches();
        m_file.SetLength(EntryFileOffset(point.entries));
        m_header = point.header;
        m_header.generation = generation;
        WriteHeader(false);
        m_skip.Recheck(CountEntries());
        m_lastInserted = point.lastInserted;
        return 1;
    });
}

std::int32_t CIndexFile::NextLink(std::int32_t i) {
    // The writer's walks follow a plain array of links: a whole list in a few milliseconds.
    if (m_image.IsLoaded())
        return m_image.NextLink(i);
    return Load(i).next;
}

void CIndexFile::RebuildOrThrow(bool force) {
    if (!force && static_cast<std::uint32_t>(FileModificationCount()) < rebuildThreshold)
        return;
    if (m_header.skip[0] == -1)
        return;
    LoadImage();
    m_skip.Rebuild(CountEntries(), [this](std::int32_t i) { return NextLink(i); });
    WriteHeader(true);
}

int CIndexFile::RebuildSkipTable(bool force) {
    return Guard(0, [&] {
        RefreshHeaderOrThrow();
        RebuildOrThrow(force);
        return 1;
    });
}
