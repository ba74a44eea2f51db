// What a test does with a database after the process writing it was killed, as a user
// would: open it by path (which installs a reconstruction left finished beside it), check
// it as the program's verify does and, when the index is damaged, rebuild the index from
// the main file and install it.
//
// A killed add may leave a record head whose picture chain stops short: the last block
// written points past the end of the file, or at the head a later add appended. Such a
// record was never reported stored and nothing refers to it; the check notes it without
// calling it damage. Those heads are also found here independently of the storage code,
// for the caller to compare with what was acknowledged.
#pragma once

#include "storage/DatabaseCheck.h"

#include <cstdint>
#include <string>
#include <vector>

// Head blocks of the records whose picture chain does not run through data blocks to its
// end inside the file with as many bytes as the head's data size. Read straight from the
// main file's bytes, without the storage layer.
std::vector<std::int32_t> FindInterruptedAdds(const std::vector<std::uint8_t>& mainBytes);

struct CrashRecovery {
    std::vector<std::int32_t> interruptedAdds; // heads of unfinished adds, in block order
    DatabaseCheckResult firstCheck;            // before any repair
    bool indexRebuilt = false;
    bool rebuildFailed = false;
    DatabaseCheckResult finalCheck; // after the repair, if any
};

// Recovers the database whose main file is mainPath. The index is rebuilt in this
// process (the caller has a prompt installed: it shows "Finished reconstructing file."),
// or, when cli names picdex-cli, by its `reconstruct --index` in a process of its own;
// scratchFolder (with its trailing "/") receives that process's standard error.
CrashRecovery RecoverAfterKill(const std::string& mainPath, const std::string& scratchFolder,
                               const std::string& cli = {});
