// Temporary files and the program's own folder.
#pragma once

#include <string>
#include <string_view>

// The temporary folder: $TMPDIR, else /tmp, with a trailing "/".
std::string TemporaryFolder();

// Creates a new, empty file with a unique name starting with prefix in the temporary
// folder and returns its path; "" when none can be made.
std::string CreateTemporaryFile(std::string_view prefix);

// The folder of the running program, with a trailing "/"; "" when it cannot be found.
std::string ProgramFolder();
