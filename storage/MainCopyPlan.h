// PlanMainCopy: which records a main-file reconstruction copies. The index says which
// records are live: those of the live file-name entries, copied in the order of those
// entries' numbers. Whatever the index leaves out is gone once the new main file has been
// swapped in, so the index must be sound enough to say it: a damaged index would drop
// live records without a word (a cut file keeps no entry of the records past the cut, a
// flipped flag or key hides a record's name). Such an index is not used: the main-file
// reconstruction then rebuilds the index from the main file first.
//
// Sound here means: the header can be read and its used skip slots name entries; every
// entry has a key of one of the four families, links inside the file, no flag but the
// deleted one and a record block inside the main file; and every record with a live
// checksum or date entry has a live file-name entry.
#pragma once

#include <cstdint>
#include <vector>

class CPictureDatabase;

// Fills copies with one value per index entry, in entry order: the record to copy at
// that entry, or -1; and named with one flag per main-file block: whether an entry names
// it as its record. 1 when the index is sound; 0 when it is damaged (an index cut short
// has shown "Reached end of file", anything else nothing); -1 when it cannot be read (the
// file error has been shown).
int PlanMainCopy(CPictureDatabase& db, std::vector<std::int32_t>& copies, std::vector<bool>& named);
