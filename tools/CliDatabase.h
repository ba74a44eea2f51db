// What the picdex-cli commands share about the database they work on: opening it the way
// the program's document does (the password is checked), refusing to write a read-only
// database, and making sure a block number from the command line names a record before
// anything reads it as a record head.
//
// Results follow the system: 1 success, 0 failure, -1 a file error; every message has
// been shown through the prompt when a function returns anything but 1.
#pragma once

#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "tools/CliCommands.h"

#include <cstdint>
#include <functional>
#include <string>

// Shown when the links of the index list lead back to an entry already visited.
inline constexpr const char* brokenListMessage = "The index list is broken.";

// Opens db at path through the password question. When no main file exists the user is
// asked "File not found. Create?" first (answered by --yes), so a mistyped path creates
// nothing. forWriting refuses a read-only database.
int OpenForCommand(CliArgs& args, CPictureDatabase& db, const std::string& path, bool forWriting);

// True when a main file for the database at path exists, in any letter case.
bool MainFileExists(const std::string& path);

// A walk of the index that ended before it met every entry it had to: the file error
// that stopped it has been shown, or else "Unknown error" is shown now. Returns the exit
// status 1.
int ReportIncompleteWalk(const CIndexFile& index);

// Calls visit for every entry of the index in file order (0 to EntryCount - 1).
int ForEachEntry(CIndexFile& index, const std::function<void(const CIndexEntry&)>& visit);

// 1 when an entry of the index names block as its record (with needLive, an entry that is
// not flagged deleted); 0 after showing "Data not found"; -1 when the index cannot be read.
int CheckRecordBlock(CPictureDatabase& db, std::int32_t block, bool needLive);

// Prints the record at block on one line as `list` does (tab-separated, or JSON with json);
// 0 when its head or size cannot be read.
int PrintRecord(CPictureDatabase& db, std::int32_t block, bool json);
