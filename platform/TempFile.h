// The temporary folder and the program's own folder.
#pragma once

#include <string>
#include <string_view>

// The temporary folder: $TMPDIR, else /tmp, with a trailing "/".
std::string TemporaryFolder();

// The folder of the running program, with a trailing "/"; "" when it cannot be found.
std::string ProgramFolder();
