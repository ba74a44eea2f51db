// CIndexSkipTable: the skip table of the index header (up to 8192 slots naming every
// stride-th entry of the list, the last slot the entry that ends it) and what the index
// writer keeps about it between operations: the keys of the slot entries, whether the
// table read from the file is usable, and the order of the list (CIndexListOrder), so that
// a rebuild finds the entries for its slots without walking the list.
//
// The slots themselves live in the header the table is bound to (the index file's cached
// header, which is what gets written); this class reads and rewrites them there.
// Entry access goes through the functions given per call; they throw CFileException on a
// file error or damage, and so does every function here that takes one.
#pragma once

#include "storage/IndexHeader.h"
#include "storage/IndexListOrder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CIndexSkipTable {
public:
    // The key of entry i, and the next link of entry i.
    using KeyOf = std::function<std::string(std::int32_t)>;
    using NextOf = std::function<std::int32_t(std::int32_t)>;

    explicit CIndexSkipTable(CIndexHeader& header) : m_header(header) {}
    CIndexSkipTable(const CIndexSkipTable&) = delete;
    CIndexSkipTable& operator=(const CIndexSkipTable&) = delete;

    // Forgets the kept keys and list order (a header read afresh, a failed write, a
    // rollback, an entry written from outside).
    void Forget();
    // Forget, and takes the table as usable again (a closed file).
    void Reset() {
        Forget();
        m_sane = true;
    }
    // Judges the slots against a list of `entries` (after the header was read or restored):
    // a list has a first and a last slot, an empty one none, and every used slot names an
    // entry.
    void Recheck(std::int32_t entries) { m_sane = IsSane(entries); }

    // The slot to start a positioned search from: the last slot whose entry is below key
    // (firstOfEqual) or not above it, else slot 0; -1 for an empty list. Throws for a
    // table found unusable when the header was read.
    int StartSlot(std::string_view key, bool foldCase, bool firstOfEqual, const KeyOf& keyOf);
    // Entry named by slot.
    std::int32_t At(int slot) const { return m_header.skip[static_cast<std::size_t>(slot)]; }

    // Entry n was linked in before entry p, or at the end of the list.
    void NoteInsertBefore(std::int32_t n, std::int32_t p) { m_order.InsertBefore(n, p); }
    void NoteAppend(std::int32_t n) { m_order.Append(n); }

    // Rewrites the slots of a non-empty list for a file of `entries` entries: the entry at
    // every SkipStrideFor(entries)-th position from the first (slot 0's entry) on, at most
    // 8191 of them, and the list's last entry in the last slot. The list is walked along
    // nextOf only when its order is not known; a walk longer than `entries` is a loop and
    // throws. The caller writes the header.
    void Rebuild(std::int32_t entries, const NextOf& nextOf);

private:
    bool IsSane(std::int32_t entries) const;
    const std::string& SlotKey(int slot, std::int32_t entry, const KeyOf& keyOf);
    void ForgetKeys();

    CIndexHeader& m_header;
    bool m_sane = true;
    // Keys of the entries the slots named when last searched: (entry, key) per slot. Grown
    // to the slots searched, so a small index never pays for all 8192.
    std::vector<std::pair<std::int32_t, std::string>> m_slotKeys;
    CIndexListOrder m_order;
};
