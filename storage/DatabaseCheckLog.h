// CCheckLog: collects the problem and note lines of one database check into its result.
// Every problem belongs to the main file or to the index file and sets that file's damage
// flag. A note tells of something the check found and ignored on purpose (the leftovers
// of a write that did not complete), and sets no flag.
//
// A badly damaged file breaks the same rule thousands of times, so each kind of problem
// or note lists its first lines only; the rest are counted, and Finish adds one line per
// kind saying how many more there were. The output therefore stays short and bounded
// whatever the files hold, while every kind of damage found still shows.
#pragma once

#include "storage/DatabaseCheck.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class CheckedFile { main, index };

class CCheckLog {
public:
    // Lines listed per kind before the rest are only counted.
    static constexpr int linesPerKind = 25;

    explicit CCheckLog(DatabaseCheckResult& result) : m_result(result) {}

    // Adds line as a problem of file. kind names the rule that was broken, in words that
    // read well after "more problems: " (for example "entries not reachable").
    void Add(CheckedFile file, std::string_view kind, std::string line);
    // Adds line as a note about file, with kind as for Add.
    void Note(CheckedFile file, std::string_view kind, std::string line);
    // Adds the lines for the problems that were counted but not listed.
    void Finish();

private:
    struct Kind {
        CheckedFile file;
        std::int64_t count = 0;
    };

    using Kinds = std::map<std::string, Kind, std::less<>>;

    // Counts a line of kind; true while the kind's lines are still listed.
    static bool Count(Kinds& kinds, CheckedFile file, std::string_view kind);
    static void Finish(Kinds& kinds, std::vector<std::string>& lines, const char* what);

    DatabaseCheckResult& m_result;
    Kinds m_kinds;
    Kinds m_noteKinds;
};

// text in double quotes, with control characters, quotes and backslashes written as
// escapes, so that a damaged name can neither break a line nor hide its end.
std::string QuoteText(std::string_view text);
