// Temporary files and the program's own folder.
#pragma once

#include <string>
#include <string_view>

// The temporary folder: $TMPDIR, else /tmp, with a trailing "/".
std::string TemporaryFolder();

// Creates a new, empty file with a unique name starting with prefix in the temporary
// folder and returns its path; "" when none can be made.
std::string CreateTemporaryFile(std::string_view prefix);

class CFile;

// Copies source from its start to a new temporary file named with prefix, in pieces of
// 32,768 bytes, at most the length source had when the copy began (a file that keeps
// growing cannot fill the disk). Returns the new file's path, or "" when it cannot be
// made or written (nothing is left behind then).
std::string CopyToTemporaryFile(CFile& source, std::string_view prefix);

// The folder of the running program, with a trailing "/"; "" when it cannot be found.
std::string ProgramFolder();
