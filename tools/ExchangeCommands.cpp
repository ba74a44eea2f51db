// The commands that move pictures between databases and out of them: exchange, export and
// properties.
#include "collection/DataExchange.h"
#include "collection/FileProperties.h"
#include "collection/PicdexDoc.h"
#include "collection/PictureOutput.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"
#include "tools/CliProgressLine.h"

#include <cstdio>
#include <string>

namespace {

// The copying pass's "Copied : %d" on the tool's progress line. The question is asked
// through the prompt, so --yes answers it.
class CCliExchangeProgress : public IExchangeProgress {
public:
    bool AskStart(std::string_view question) override { return AskYesNo(question); }
    void ShowProgress(std::string_view text) override { m_line.Show(text); }
    void Finish() override { m_line.Finish(); }

private:
    CProgressLine m_line;
};

bool ParseDirection(const std::string& text, int& direction) {
    if (text == "both")
        direction = ExchangeDirection::both;
    else if (text == "out")
        direction = ExchangeDirection::outward;
    else if (text == "in")
        direction = ExchangeDirection::inward;
    else
        return false;
    return true;
}

// The other database's main file: OTHER as given when a file is there, else the main file
// of the database whose base path OTHER is (as DB is named).
std::string OtherMainPath(const std::string& other) {
    if (FileExists(other) || !MainFileExists(other))
        return other;
    return ResolveCaseInsensitive(ReplaceExtension(other, ".PXM"));
}

int RunExchange(CliArgs& args) {
    if (!args.Parse({{"--direction", true}, {"--count-only", false}}, 2, 2))
        return args.UsageError();
    int direction = ExchangeDirection::both;
    std::string text;
    if (args.Value("--direction", text) && !ParseDirection(text, direction))
        return args.UsageError("--direction takes both, out or in");
    const bool countOnly = args.Has("--count-only");
    CPictureDatabase db;
    const bool writes = !countOnly && direction != ExchangeDirection::outward;
    if (!OpenForCommand(args, db, args.Positional(0), writes))
        return 1;
    const std::string other = OtherMainPath(args.Positional(1));

    const int found = CountExchange(db, other, direction);
    if (found < 0)
        return 1;
    if (countOnly) {
        std::printf("%d\n", found);
        return 0;
    }
    if (found == 0) {
        ShowMessage("No pic found to transfer");
        return 0;
    }
    CCliExchangeProgress progress;
    if (!progress.AskStart(ExchangeQuestion(found)))
        return 0;
    const int copied = CopyExchange(db, other, direction, &progress);
    progress.Finish();
    if (copied < 0)
        return 1;
    ShowMessage("Data transfer completed");
    return 0;
}

// The output dialog answered with FOLDER.
class CCliOutputFolder : public IOutputFolderDialog {
public:
    explicit CCliOutputFolder(std::string folder) : m_folder(std::move(folder)) {}
    bool AskOutputFolder(std::string& folder) override {
        folder = m_folder;
        return true;
    }

private:
    std::string m_folder;
};

int RunExport(CliArgs& args) {
    if (!args.Parse({}, 2, CCliArgs::unbounded))
        return args.UsageError();
    std::vector<std::int32_t> blocks;
    for (std::size_t i = 2; i < args.Positionals().size(); ++i) {
        std::int32_t block = 0;
        if (!CCliArgs::ParseBlock(args.Positional(i), block))
            return args.UsageError("BLOCK must be a block number");
        blocks.push_back(block);
    }
    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    for (std::int32_t block : blocks) {
        if (CheckRecordBlock(db, block, true) != 1)
            return 1;
        if (!db.Marks().Mark(block)) {
            ShowMessage("Too many data marked.");
            return 1;
        }
    }
    doc.ShowAll(OrderFamily::fileName, false);
    CCliOutputFolder dialog(args.Positional(1));
    const COutputResult result =
        blocks.empty() ? OutputAll(doc, dialog) : OutputMarked(doc, dialog);
    return result.written < 0 || result.failed > 0 ? 1 : 0;
}

int RunProperties(CliArgs& args) {
    if (!args.Parse({}, 1, 1))
        return args.UsageError();
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    CTypeCounts counts;
    if (!CountByType(db, counts))
        return 1;
    const std::pair<const char*, int> lines[] = {
        {"TIFF", counts.tiff}, {"GIF", counts.gif},         {"JPEG", counts.jpeg},
        {"BMP", counts.bmp},   {"Unknown", counts.unknown}, {"Total", counts.total}};
    for (const auto& [label, count] : lines)
        std::printf("%s\t%s\n", label, FormatPicCount(count).c_str());
    return 0;
}

const CliCommand exchangeCommands[] = {
    {"exchange", "DB OTHER [--direction both|out|in] [--count-only]",
     "copy the pictures one database lacks from the other; asks the count question (Yes with "
     "--yes); --count-only prints the count alone",
     RunExchange},
    {"export", "DB FOLDER [BLOCK...]",
     "write the pictures of the list, or of the records BLOCK..., into FOLDER under their "
     "stored names and times; overwriting asks (Yes with --yes)",
     RunExport},
    {"properties", "DB", "count the live records by picture type", RunProperties},
};

} // namespace

std::span<const CliCommand> ExchangeCommands() {
    return exchangeCommands;
}
