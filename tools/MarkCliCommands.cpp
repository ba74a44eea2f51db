// The commands on marked records: tag (a keyword added to or removed from records), transfer
// (records copied into another database) and duplicates (the duplicate check's marks). The
// records named on the line are marked in the order given and the collection's own
// marked-data commands run on them, their dialogs answered from the command line.
#include "collection/Duplicates.h"
#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// The keyword dialog and the file dialog answered with the values of the command line.
class CCliMarkDialogs : public IMarkView, public IMarkDialogs {
public:
    CCliMarkDialogs(std::string keyword, KeywordAction action, std::string path)
        : m_keyword(std::move(keyword)), m_action(action), m_path(std::move(path)) {}

    bool AskKeywordOnMarked(std::string& keyword, KeywordAction& action) override {
        keyword = m_keyword;
        action = m_action;
        return true;
    }
    bool AskOpenPath(const CSaveFileRequest&, std::string& path) override {
        path = m_path;
        return true;
    }

private:
    std::string m_keyword;
    KeywordAction m_action;
    std::string m_path;
};

// Marks blocks in order, each of which must name a live record: one walk of the index
// tells them all. False after "Data not found" or "Too many data marked.".
bool MarkBlocks(CPictureDatabase& db, const std::vector<std::int32_t>& blocks) {
    std::unordered_set<std::int32_t> live;
    if (ForEachEntry(db.Index(), [&](const CIndexEntry& entry) {
            if (!entry.IsDeleted())
                live.insert(entry.record);
        }) != 1)
        return false;
    for (std::int32_t block : blocks) {
        if (!live.contains(block)) {
            ShowMessage("Data not found");
            return false;
        }
        if (!db.Marks().Mark(block)) {
            ShowMessage(tooManyMarksMessage);
            return false;
        }
    }
    return true;
}

// Opens DB (positional 0) for writing and marks the records named by the BLOCK words from
// positional 2 on. 0 when done; otherwise the exit status: the usage error, or 1 after
// the database's or the marks' message.
int OpenAndMark(CliArgs& args, CPicdexDoc& doc) {
    std::vector<std::int32_t> blocks;
    if (!args.ParseBlocks(2, blocks))
        return args.UsageError("BLOCK must be a block number");
    if (!OpenForCommand(args, doc.Database(), args.Positional(0), true) ||
        !MarkBlocks(doc.Database(), blocks))
        return 1;
    return 0;
}

int RunTag(CliArgs& args) {
    if (!args.Parse({{"--add", false}, {"--remove", false}}, 3, CCliArgs::unbounded))
        return args.UsageError();
    if (args.Has("--add") == args.Has("--remove"))
        return args.UsageError("give one of --add and --remove");
    if (args.Positional(1).empty())
        return args.UsageError("KEYWORD must not be empty");
    CPicdexDoc doc;
    if (const int status = OpenAndMark(args, doc); status != 0)
        return status;
    CCliMarkDialogs ui(args.Positional(1),
                       args.Has("--add") ? KeywordAction::add : KeywordAction::remove, {});
    CMemorySettings settings;
    CMarkCommands commands(doc, ui, ui, settings);
    const int changed = commands.KeywordOnMarked();
    std::printf("changed %d\n", changed < 0 ? 0 : changed);
    return commands.KeywordChangeFailed() ? 1 : 0;
}

int RunTransfer(CliArgs& args) {
    if (!args.Parse({}, 3, CCliArgs::unbounded))
        return args.UsageError();
    CPicdexDoc doc;
    if (const int status = OpenAndMark(args, doc); status != 0)
        return status;
    // The program's dialog picks an existing file; a mistyped target creates nothing
    // unless the question is answered Yes.
    const std::string& target = args.Positional(1);
    if (!MainFileExists(target) && !AskYesNo("File not found. Create?"))
        return 1;
    CCliMarkDialogs ui({}, KeywordAction::add, target);
    CMemorySettings settings;
    CMarkCommands commands(doc, ui, ui, settings);
    const int copied = commands.TransferMarked();
    if (copied < 0)
        return 1;
    std::printf("transferred %d\n", copied);
    return copied == static_cast<int>(doc.Database().Marks().Count()) ? 0 : 1;
}

int RunDuplicates(CliArgs& args) {
    if (!args.Parse({{"--json", false}}, 1, 1))
        return args.UsageError();
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    if (CDuplicates::MarkDuplicates(db) <= 0) {
        ShowMessage(noDuplicatesMessage);
        return 1;
    }
    for (std::int32_t block : db.Marks().GetMarks())
        if (!PrintRecord(db, block, args.Has("--json")))
            return 1;
    return 0;
}

const CliCommand markCommands[] = {
    {"tag", "DB (--add | --remove) KEYWORD BLOCK...",
     "add a keyword to the records or remove it, as \"Add/Delete keyword on marked data\" "
     "does on marks",
     RunTag},
    {"transfer", "DB TARGET BLOCK...",
     "copy the records into the database TARGET, as \"Transfer marked data\" does", RunTransfer},
    {"duplicates", "DB [--json]",
     "the records the duplicate check marks, in mark order, printed as list prints them",
     RunDuplicates},
};

} // namespace

std::span<const CliCommand> MarkCliCommands() {
    return markCommands;
}
