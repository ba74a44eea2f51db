// CIndexFile: the open index file (".PXI"): a 32,792-byte header with a skip table of
// 8192 slots, then 52-byte entries forming one doubly linked list sorted by key. Entries
// are never removed or renumbered; a deleted record's entries carry flag bit 0.
//
// The object keeps a cached header, the cursor (CIndexCursor: the current entry and the
// order family it walks), what it knows of the skip table (CIndexSkipTable) and the
// number of the entry inserted last.
//
// Failure values: operations return 1/0, searches return an entry number or -1
// (FindInsertPosition returns -2 for "append at the end"). A file error shows its cause
// text through the prompt and is kept as the last error. A damaged file (a link outside
// the file, a loop, a skip table out of range, an entry with flag bits other than bit 0)
// makes the operation fail; no walk takes more steps than the file has entries.
//
// While this object holds the file for writing (deny-write), no other process can change
// it, so once a pass over the whole list needs them (a skip table rebuild, Preload) the
// entries are read in bulk and kept in memory, written through on every change; the bytes
// written are exactly those of entry-by-entry access. Read-only opens read every entry
// from the file, so they follow the writer's changes.
#pragma once

#include "platform/File.h"
#include "storage/DatabaseFile.h"
#include "storage/IndexCursor.h"
#include "storage/IndexEntry.h"
#include "storage/IndexHeader.h"
#include "storage/IndexImage.h"
#include "storage/IndexSkipTable.h"

#include <cstdint>
#include <string>
#include <string_view>

class CIndexFile : public CDatabaseFile {
public:
    using Header = CIndexHeader;

    CIndexFile();

    // mode 0: read-write, deny-write. Create writes a new, empty header.
    int Create(const std::string& path, int mode = 0);
    // Falls back to read-only; reads the header and goes to the first entry of the order
    // family. The format string is not checked.
    int Open(const std::string& path, int mode = 0);

    int ReadEntry(CIndexEntry& entry, std::int32_t i);
    int WriteEntry(CIndexEntry& entry, std::int32_t i);
    // (file length - 32,792) / 52, or -1.
    std::int32_t EntryCount();
    // The entries whose key starts with prefix (only those not flagged deleted with
    // liveOnly), counted in file order without the list's links or the skip table: what a
    // walk along the family must meet to be complete. -1 on a file error or damage.
    std::int32_t CountFamily(char prefix, bool liveOnly);
    int RefreshHeader();

    // Inserts entry after every entry whose key is not greater (folded when foldCase).
    int InsertKey(CIndexEntry& entry, bool foldCase);

    // The state of the file before a group of insertions (the entries of one record), so
    // that a group that cannot be completed can be taken back as a whole.
    struct Savepoint {
        Header header;
        std::int32_t entries = -1; // -1: the state could not be read
        std::int32_t lastInserted = -1;
    };
    Savepoint MakeSavepoint();
    // Takes back every insertion made since point: the entries added since are unlinked
    // from the list and cut off the file (a partial entry with them) and the header is
    // restored with a new generation, so the list is again exactly as it was. Only
    // entries already in the file are rewritten, so this works on a full disk. 1 or 0.
    int RollBack(const Savepoint& point);
    int RebuildSkipTable(bool force);

    // The positioned searches (keys compared folded when foldCase; -1 on a file error or
    // damage, and for an empty list except in FindInsertPosition). All start at the skip
    // slot that CIndexSkipTable::StartSlot picks and walk the list from there; they differ
    // in which of several equal keys they find and in what they give when no key equals:
    // - FindFloor: the last entry whose key is not above key (of equal keys the last);
    //   when every key is above, the first entry. A one-byte key (a family prefix): the
    //   first entry above it, so the first of the family, or -1 when none is above. The
    //   cursor's first and last moves use it.
    // - FindFirstOrBefore: the first entry whose key equals key; when none does, the last
    //   entry below key (the first entry when none is below, the last when all are). A
    //   one-byte key: the first entry not below it. The start for a walk over every entry
    //   of equal keys (or of a family).
    // - FindExact: FindFloor's entry when its key equals key (so the last of equal keys),
    //   else -1; a one-byte key never finds one. Whether a key is present.
    // - FindInsertPosition: the first entry above key, before which InsertKey puts a new
    //   entry; -2 when the new entry goes at the end (also of an empty list).
    std::int32_t FindFloor(std::string_view key, bool foldCase);
    std::int32_t FindFirstOrBefore(std::string_view key, bool foldCase);
    std::int32_t FindExact(std::string_view key, bool foldCase);
    std::int32_t FindInsertPosition(std::string_view key, bool foldCase);
    int MarkDeleted(std::int32_t i);

    // The cursor (see CIndexCursor).
    CIndexCursor& Cursor() { return m_cursor; }
    const CIndexCursor& Cursor() const { return m_cursor; }
    void SetOrder(int family) { m_cursor.SetOrder(family); }
    int GetOrder() const { return m_cursor.GetOrder(); }
    void GetCurrent(CIndexEntry& entry) const { entry = m_cursor.Current(); }
    const CIndexEntry& Current() const { return m_cursor.Current(); }
    void SetCurrent(const CIndexEntry& entry) { m_cursor.SetCurrent(entry); }
    int GoTo(std::int32_t i) { return m_cursor.GoTo(i); }
    std::int32_t GetCurrentRecord() const { return m_cursor.GetCurrentRecord(); }
    std::int32_t GetCurrentNumber() const { return m_cursor.GetCurrentNumber(); }
    std::int32_t GetLastInserted() const { return m_lastInserted; }

    int GoFirst() { return m_cursor.GoFirst(); }
    int GoLast() { return m_cursor.GoLast(); }
    int GoPrevious(bool& wrapped) { return m_cursor.GoPrevious(wrapped); }
    int GoNext(bool& wrapped) { return m_cursor.GoNext(wrapped); }

    const Header& GetHeader() const { return m_header; }

    // Before a pass over many entries: the writer reads its entries in bulk now (a reader,
    // which must follow another instance, keeps reading entry by entry).
    int Preload();

    void Close();

private:
    // Entry access that throws on a file error or a damaged link.
    CIndexEntry Load(std::int32_t i);
    void Store(CIndexEntry& entry, std::int32_t i);
    std::int32_t CountEntries();
    // The writer reads its entries in bulk before a pass over the list (a reader never).
    void LoadImage();
    void RefreshHeaderOrThrow();
    void WriteHeader(bool resetCount);
    void BumpModificationCount();
    std::int32_t FileModificationCount();
    // Start slot for a positioned search after reading the header; -1 with an empty table.
    int StartSlot(std::string_view key, bool foldCase, bool firstOfEqual);
    std::int32_t FindInsertPositionOrThrow(std::string_view key, bool foldCase);
    std::int32_t FindFloorOrThrow(std::string_view key, bool foldCase);
    std::int32_t FindFirstOrBeforeOrThrow(std::string_view key, bool foldCase);
    void Append(CIndexEntry& entry, std::int32_t n);
    void InsertBefore(CIndexEntry& entry, std::int32_t p, std::int32_t n);
    void RebuildOrThrow(bool force);
    std::int32_t NextLink(std::int32_t i);
    // The step budget of one walk: more steps than entries mean a loop.
    std::int64_t WalkBudget() { return static_cast<std::int64_t>(CountEntries()) + 1; }
    bool UsesImage() const { return !m_readOnly && !m_image.IsTooLarge(); }
    void ForgetCaches();

    Header m_header;
    CIndexCursor m_cursor{*this};
    CIndexSkipTable m_skip{m_header};
    std::int32_t m_lastInserted = -1;

    // The writer's entries in memory (see CIndexImage).
    CIndexImage m_image;
    // Writer's copy of the modification count as last written to the file.
    std::int32_t m_fileModificationCount = 0;
};
