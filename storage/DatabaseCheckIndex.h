// CIndexCheck: the index file's part of the database check. It reads the file without a
// lock and checks it on its own: the header (format string, counts, skip table length,
// generation), the length (whole entries only), every entry (own number, flags, a key
// that ends in its field and is valid for its family), the list (one chain of next and
// previous links from the first entry that reaches every entry exactly once, keys in
// order) and the skip table (used slots name entries of the list, in list order, the
// first and the last exact). Afterwards it tells the record side which entries name a
// block, so that records and entries can be matched.
//
// Problems go to the log as index problems. The whole file is read in one transfer;
// every walk is bounded by the number of entries.
#pragma once

#include "platform/File.h"
#include "storage/DatabaseCheckLog.h"
#include "storage/IndexEntry.h"
#include "storage/IndexHeader.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class CIndexCheck {
public:
    // More entries than this (218 MB) are not read into memory: it is sixteen times the
    // 262,112 entries the skip table is laid out for.
    static constexpr std::int64_t maxEntries = std::int64_t{1} << 22;

    explicit CIndexCheck(CCheckLog& log) : m_log(log) {}

    // Opens the file at path for reading; false, with a problem line, when it is missing
    // or cannot be opened.
    bool Open(const std::string& path);
    // The header, the length and the skip table's bounds; reads the header and the two
    // entries at the ends of the skip table only.
    void CheckQuick();
    // Everything the file holds on its own; afterwards EntriesLoaded tells whether the
    // entries could be read for matching against the records.
    void CheckFull();

    // Entries counted from the file's length (0 before Open).
    std::int32_t EntryCount() const { return m_count; }
    bool EntriesLoaded() const { return m_loaded; }
    CIndexEntry Entry(std::int32_t i) const;
    // The (record, entry number) pairs of the entries naming block, in entry order.
    std::span<const std::pair<std::int32_t, std::int32_t>> EntriesOf(std::int32_t block) const;
    // Reports every entry whose record is not a block for which isHead is true (blocks at
    // and beyond blockCount are outside the main file).
    void CheckRecordsAreHeads(std::int32_t blockCount,
                              const std::function<bool(std::int32_t)>& isHead);

private:
    void Problem(std::string_view kind, std::string line) {
        m_log.Add(CheckedFile::index, kind, std::move(line));
    }
    // Reads and checks the header and the length; false when nothing more can be checked.
    bool CheckHeaderAndLength();
    // Checks the used slots' range and the unused slots; true when the used slots all
    // name entries of the file.
    bool CheckSkipBounds();
    bool ReadEntries();
    void CheckEntries();
    // The first entry of the list: the one slot 0 names, or when the table cannot say,
    // the first entry without a previous one; -1 for none.
    std::int32_t FirstEntry(bool slotsUsable);
    void WalkList(std::int32_t first);
    void CheckSkipOrder();
    std::string Describe(std::int32_t i) const;

    CCheckLog& m_log;
    CFile m_file;
    std::int64_t m_length = 0;
    std::int32_t m_count = 0;
    CIndexHeader m_header;
    std::vector<std::uint8_t> m_entries; // the file's bytes after the header
    bool m_loaded = false;
    std::vector<std::int32_t> m_position; // list position of each entry, -1 when not reached
    std::int32_t m_listLast = -1;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_byRecord;
};

// Why key is not a valid key of its family ("" when it is): date keys are decimal numbers
// of 32 bits without leading zeros, CRC keys decimals from 0 to 65535, keyword keys hold
// at least one byte after "@".
std::string KeyFault(std::string_view key);
