// The commands on one record as the document shows it, and the reconstruction of the
// database: show, thumbnail, save-as, reconstruct.
#include "collection/PicdexDoc.h"
#include "collection/ReconstructCommand.h"
#include "collection/SaveAsCommand.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"
#include "tools/CliOutputLine.h"
#include "tools/CliProgressLine.h"

#include <cstdio>

namespace {

// Shows "%d / %d" on the tool's progress line.
class CTerminalProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t done, std::int32_t total) override {
        m_line.Show(ReconstructProgressText(done, total));
    }

private:
    CProgressLine m_line;
};

// The Reconstruct command's dialogs and application answered from the command line: the
// file named by --index or --main, Start at once, the Control variant when --to names the
// new database. Opening in a new instance and closing this one are only noted: the command
// closes the database and completes the swap itself.
class CCliReconstruct : public IReconstructDialogs, public IApplicationHost {
public:
    CCliReconstruct(ReconstructChoice choice, std::string target)
        : m_choice(choice), m_target(std::move(target)) {}

    ReconstructChoice AskReconstruction() override { return m_choice; }
    bool IsControlKeyDown() override { return !m_target.empty(); }
    int RunBuild(ReconstructChoice, const Build& build) override {
        CTerminalProgress progress;
        return build(progress);
    }
    bool AskSavePath(const CSaveFileRequest& request, std::string& path) override {
        path = m_target;
        // As the dialog does with a name typed without an extension.
        if (GetExtensionUpper(path).empty() && !request.defaultExtension.empty())
            path += "." + request.defaultExtension;
        return true;
    }
    void OpenByPath(const std::string& path) override { m_opened = path; }
    void CloseMainWindow() override {}

    const std::string& OpenedPath() const { return m_opened; }

private:
    ReconstructChoice m_choice;
    std::string m_target;
    std::string m_opened;
};

// The Save As dialog answered with the path from the command line.
class CCliSaveFileDialog : public ISaveFileDialog {
public:
    explicit CCliSaveFileDialog(std::string path) : m_path(std::move(path)) {}
    bool AskSavePath(const CSaveFileRequest&, std::string& path) override {
        path = m_path;
        return true;
    }

private:
    std::string m_path;
};

// Parses DB BLOCK ... with at least `words` positional arguments in all.
bool ParseRecordArgs(CliArgs& args, std::initializer_list<CliOption> options, std::size_t words,
                     std::int32_t& block, int& status) {
    if (!args.Parse(options, words, words)) {
        status = args.UsageError();
        return false;
    }
    if (!CCliArgs::ParseBlock(args.Positional(1), block)) {
        status = args.UsageError("BLOCK must be a block number");
        return false;
    }
    return true;
}

int RunShow(CliArgs& args) {
    std::int32_t block = 0;
    int status = 0;
    if (!ParseRecordArgs(args, {{"--json", false}}, 2, block, status))
        return status;
    CPicdexDoc doc;
    if (!OpenForCommand(args, doc.Database(), args.Positional(0), false) ||
        CheckRecordBlock(doc.Database(), block, false) != 1)
        return 1;
    CRecordHead head;
    if (!doc.LoadRecord(block, head))
        return 1;
    // Only a picture decoded from this record: the document may still hold another.
    const PxImage* picture = doc.GetPictureRecord() == block ? doc.GetCurrentPicture() : nullptr;
    if (!picture) {
        ShowMessage("The picture cannot be decoded.");
        return 1;
    }
    COutputLine line(args.Has("--json"));
    line.AddNumber("kind", doc.GetPictureKind());
    line.AddNumber("width", picture->GetWidth());
    line.AddNumber("height", picture->GetHeight());
    line.AddNumber("bits", picture->GetImageBits());
    line.Print();
    return 0;
}

int RunThumbnail(CliArgs& args) {
    std::int32_t block = 0;
    int status = 0;
    if (!ParseRecordArgs(args, {}, 3, block, status))
        return status;
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false) ||
        CheckRecordBlock(db, block, false) != 1)
        return 1;
    CRecordHead head;
    if (!db.ReadHead(head, block))
        return 1;
    if (head.ThumbnailBlock() == 0) {
        ShowMessage("The record has no thumbnail yet (show makes one).");
        return 1;
    }
    // Deny-write keeps the output from being one of the database's own files.
    CFile out;
    CFileException error;
    if (!out.Open(args.Positional(2), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite,
                  &error)) {
        ShowMessage(FileErrorText(error.Cause()));
        return 1;
    }
    // A thumbnail that cannot be read or written whole leaves no file behind.
    bool written = db.ReadThumbnail(out, head) != 0;
    try {
        out.Close();
    } catch (const CFileException& e) {
        if (written)
            ShowMessage(FileErrorText(e.Cause()));
        written = false;
    }
    if (!written)
        UnlinkFile(args.Positional(2));
    return written ? 0 : 1;
}

int RunSaveAs(CliArgs& args) {
    std::int32_t block = 0;
    int status = 0;
    if (!ParseRecordArgs(args, {}, 3, block, status))
        return status;
    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!OpenForCommand(args, db, args.Positional(0), false) ||
        CheckRecordBlock(db, block, false) != 1)
        return 1;
    // Any entry of the record makes it current; the document then shows it.
    CIndexEntry current;
    if (ForEachEntry(db.Index(),
                     [&](const CIndexEntry& entry) {
                         if (entry.record == block && current.record != block)
                             current = entry;
                     }) != 1 ||
        !doc.ShowEntry(current))
        return 1;

    const std::string& out = args.Positional(2);
    CCliSaveFileDialog dialog(out);
    CMemorySettings settings;
    switch (CSaveAsCommand(doc, dialog, settings).Run()) {
    case SaveAsResult::copied:
    case SaveAsResult::converted:
        return 0;
    case SaveAsResult::nothingWritten:
        ShowMessage("Nothing written: " + out +
                    " names no picture format this record converts to.");
        return 1;
    case SaveAsResult::failed:
        ShowMessage("Cannot write " + out);
        return 1;
    case SaveAsResult::cancelled:
        break;
    }
    return 1;
}

int RunReconstruct(CliArgs& args) {
    if (!args.Parse({{"--index", false}, {"--main", false}, {"--to", true}}, 1, 1))
        return args.UsageError();
    const bool index = args.Has("--index");
    if (index == args.Has("--main"))
        return args.UsageError("give one of --index and --main");
    std::string target;
    const bool into = args.Value("--to", target);
    if (into && (index || target.empty()))
        return args.UsageError("--to takes the path of a new database and goes with --main");

    // A damaged password field would lock the database for good: the reconstruction may
    // clear it first (after a Yes).
    if (ClearDamagedPassword(args.Positional(0)) < 0)
        return 1;
    CPictureDatabase db;
    // The swap renames the database's files: only the process that writes it may do that.
    if (!OpenForCommand(args, db, args.Positional(0), !into))
        return 1;
    CCliReconstruct dialogs(index ? ReconstructChoice::index : ReconstructChoice::main, target);
    CMemorySettings settings;
    CReconstructCommand command(db, dialogs, dialogs, settings);
    if (!command.Run())
        return 1;
    const MainCopyReport& copy = command.CopyReport();
    if (!index)
        std::printf("copied %d records, %d could not be copied\n", static_cast<int>(copy.copied),
                    static_cast<int>(copy.notCopied));
    const int status = copy.notCopied > 0 ? 1 : 0;
    if (into)
        return status;
    // As the old instance does by closing its window before the new one opens the database.
    db.Close();
    return CompletePendingReconstruction(dialogs.OpenedPath()) ? status : 1;
}

const CliCommand documentCommands[] = {
    {"show", "DB BLOCK [--json]",
     "load a record as the document does (making a missing thumbnail) and print the "
     "picture's kind, width, height and bits",
     RunShow},
    {"thumbnail", "DB BLOCK OUT.gif", "write a record's stored thumbnail to a file", RunThumbnail},
    {"save-as", "DB BLOCK OUT",
     "the Save As command: an exact copy with its time when OUT's picture kind is the "
     "record's, else a conversion by OUT's extension",
     RunSaveAs},
    {"reconstruct", "DB --index | --main [--to NEWBASE]",
     "rebuild the index or the main file and swap it in; --to writes a separate database",
     RunReconstruct},
};

} // namespace

std::span<const CliCommand> DocumentCommands() {
    return documentCommands;
}
