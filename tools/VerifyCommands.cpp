// The integrity check of a database: verify.
#include "collection/VerifyDatabase.h"
#include "tools/CliCommands.h"

#include <cstdio>
#include <string>

namespace {

// One line after the problems and notes: what was counted, how many problems and notes,
// and which file the problems damage (the index can be reconstructed from the main file,
// not the other way round).
std::string Summary(const DatabaseCheckResult& result, bool quick) {
    std::string text;
    if (quick)
        text = "quick check: " + std::to_string(result.entries) + " entries";
    else
        text = "checked: " + std::to_string(result.records) + " records, " +
               std::to_string(result.liveRecords) + " live, " + std::to_string(result.entries) +
               " entries";
    text += "; " + std::to_string(result.problems.size()) +
            (result.problems.size() == 1 ? " problem" : " problems");
    if (!result.notes.empty())
        text += ", " + std::to_string(result.notes.size()) +
                (result.notes.size() == 1 ? " note" : " notes");
    if (result.mainDamaged && result.indexDamaged)
        text += " (main file and index file damaged)";
    else if (result.mainDamaged)
        text += " (main file damaged)";
    else if (result.indexDamaged)
        text += " (index file damaged; an index reconstruction repairs it)";
    return text;
}

int RunVerify(CliArgs& args) {
    if (!args.Parse({{"--quick", false}}, 1, 1))
        return args.UsageError();
    const bool quick = args.Has("--quick");
    const DatabaseCheckResult result = VerifyDatabase(args.Positional(0), quick);
    for (const std::string& line : result.problems)
        std::printf("%s\n", line.c_str());
    // Notes (leftovers of writes that did not complete) are not damage.
    for (const std::string& line : result.notes)
        std::printf("%s\n", line.c_str());
    std::printf("%s\n", Summary(result, quick).c_str());
    return result.Clean() ? 0 : 1;
}

const CliCommand verifyCommands[] = {
    {"verify", "DB [--quick]",
     "check both files of a database without changing them; every problem, then every note "
     "(leftovers of unfinished writes, ignored) on its own line (exit 1 when damaged)",
     RunVerify},
};

} // namespace

std::span<const CliCommand> VerifyCommands() {
    return verifyCommands;
}
