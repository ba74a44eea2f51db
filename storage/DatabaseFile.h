// How the main file and the index file are opened and closed: mode 0 is read-write with
// deny-write sharing, any other mode reading only; an existing file that cannot be opened
// for writing (another instance writes it, or read-only media) is opened for reading with
// deny-none sharing instead.
#pragma once

#include "platform/File.h"

#include <string>

unsigned DatabaseOpenFlags(int mode, bool create);

// Opens path with the mode, falling back to reading. readOnly tells which happened; on
// failure error holds the cause of the last attempt.
bool OpenDatabaseFile(CFile& file, const std::string& path, int mode, bool& readOnly,
                      CFileException& error);

// Closes file; nothing is buffered, so a failing close loses nothing.
void CloseDatabaseFile(CFile& file);
