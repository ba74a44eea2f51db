// The search commands: search (by keyword or file name) and keywords (the keyword list).
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

// Prints the live records of the entries from first on, as long as inside(entry) holds;
// stops after last when last is not -1. 0 when a record or entry cannot be read.
template <class Inside>
int PrintEntries(CPictureDatabase& db, std::int32_t first, std::int32_t last, bool json,
                 Inside inside) {
    CIndexFile& index = db.Index();
    std::int32_t i = first;
    for (std::int32_t budget = index.EntryCount(); i >= 0 && budget > 0; --budget) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return 0;
        if (!inside(entry))
            break;
        if (!entry.IsDeleted() && !PrintRecord(db, entry.record, json))
            return 0;
        if (i == last)
            break;
        i = entry.next;
    }
    return 1;
}

int RunSearchCommand(CliArgs& args) {
    if (!args.Parse({{"--keyword", true}, {"--name", true}, {"--json", false}}, 1, 1))
        return args.UsageError();
    std::string keyword, name;
    const bool byKeyword = args.Value("--keyword", keyword);
    const bool byName = args.Value("--name", name);
    if (byKeyword == byName)
        return args.UsageError("give either --keyword or --name");
    if ((byKeyword ? keyword : name).empty())
        return args.UsageError("the search text is empty");
    const bool json = args.Has("--json");

    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    if (byKeyword) {
        if (!SearchKeyword(doc, MakeKeywordKey(keyword)))
            return 1;
        auto inRange = [](const CIndexEntry&) { return true; };
        return PrintEntries(db, db.GetSearchFirst(), db.GetSearchLast(), json, inRange) ? 0 : 1;
    }
    const std::int32_t landed = FindFileName(doc, MakeNameKey(name));
    if (landed < 0) {
        ShowMessage(dataNotFoundMessage);
        return 1;
    }
    auto isName = [](const CIndexEntry& entry) {
        return !entry.Key().empty() && entry.Key()[0] == IndexFormat::nameFamily;
    };
    return PrintEntries(db, landed, -1, json, isName) ? 0 : 1;
}

int RunKeywords(CliArgs& args) {
    if (!args.Parse({{"--min", true}}, 1, 1))
        return args.UsageError();
    std::int32_t minimum = 0;
    std::string text;
    if (args.Value("--min", text) && (!CCliArgs::ParseInt32(text, minimum) || minimum < 0))
        return args.UsageError("--min takes a number of records, 0 or more");
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    std::vector<std::string> lines;
    if (!FillKeywordList(db, lines, std::numeric_limits<std::size_t>::max(), minimum))
        return 1;
    for (std::string& line : lines) {
        // A stored keyword may hold control characters; none may split the line.
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '?';
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

const CliCommand searchCommands[] = {
    {"search", "DB (--keyword K | --name TEXT) [--json]",
     "list the records carrying a keyword, or the name list from the first name at or after TEXT",
     RunSearchCommand},
    {"keywords", "DB [--min N]", "list the keywords with their number of records (more than N)",
     RunKeywords},
};

} // namespace

std::span<const CliCommand> SearchCommands() {
    return searchCommands;
}
