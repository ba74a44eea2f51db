// CIndexCursor: the index file's current entry and the order family it walks (date saved,
// file name or keyword). Moves read the file through CIndexFile's public operations, so a
// failed move has shown its error there and leaves the current entry as it was.
//
// Moves return 1, or 0 when there is no entry to go to or the file failed. A walk wraps
// from one end of the family to the other and says so through `wrapped`; it does not skip
// entries flagged deleted.
#pragma once

#include "storage/IndexEntry.h"

#include <cstdint>

class CIndexFile;

class CIndexCursor {
public:
    explicit CIndexCursor(CIndexFile& file) : m_file(file) {}
    CIndexCursor(const CIndexCursor&) = delete;
    CIndexCursor& operator=(const CIndexCursor&) = delete;

    void SetOrder(int family) { m_order = family; }
    int GetOrder() const { return m_order; }
    const CIndexEntry& Current() const { return m_current; }
    void SetCurrent(const CIndexEntry& entry) { m_current = entry; }
    // Forgets the current entry (the file was closed).
    void Clear() { m_current = CIndexEntry{}; }
    // The current entry's record and number; -1 with none.
    std::int32_t GetCurrentRecord() const;
    std::int32_t GetCurrentNumber() const;

    // Entry i becomes current; 0 for a negative i (a search that found nothing).
    int GoTo(std::int32_t i);
    // The first and last entries of the family.
    int GoFirst();
    int GoLast();
    // The neighbour of the current entry on the list when it is of the family, else the
    // family's other end (wrapped). The current entry is read again first: another
    // instance may have linked entries to it.
    int GoPrevious(bool& wrapped);
    int GoNext(bool& wrapped);

private:
    // The first key character of the family walked.
    char FamilyPrefix() const;
    // Steps from the current entry to its neighbour: 1 moved, 0 the neighbour is missing
    // or of another family, -1 the file failed.
    int Step(bool forward);
    // One entry on in the direction, wrapping to the other end past the last (GoNext,
    // GoPrevious).
    int Move(bool forward, bool& wrapped);

    CIndexFile& m_file;
    int m_order = OrderFamily::fileName;
    CIndexEntry m_current;
};
