// PlanMainCopy: which records a main-file reconstruction copies. The index says which
// records are live: those of the live file-name entries, copied in the order of those
// entries' numbers. Whatever the index leaves out is gone once the new main file has been
// swapped in, so the index must be sound enough to say it: a damaged index would drop
// live records without a word (a cut file keeps no entry of the records past the cut, a
// flipped flag or key hides a record's name). Such an index is refused before anything
// is built; an index reconstruction repairs it.
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
// that entry, or -1. 1 when the index is sound; 0 after a message was shown (the file
// error of a failed read, "Unknown error" for damage).
int PlanMainCopy(CPictureDatabase& db, std::vector<std::int32_t>& copies);
