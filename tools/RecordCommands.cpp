// The commands on records: store, list, extract, delete, set-keywords.
#include "collection/AddSource.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"
#include "tools/CliOutputLine.h"

#include <cstdio>
#include <unordered_set>

namespace {

constexpr std::size_t maxKeywords = MainFormat::keywordCount;

// The Add command's rules, worded for the terminal: only a regular file of a size the main
// file can hold is read, and only when the database's disk has room for it.
int StoreFile(CPictureDatabase& db, const std::string& path,
              const CPictureDatabase::Keywords& keywords) {
    switch (CheckAddSource(path)) {
    case AddSource::unreadable:
        ShowMessage("Cannot read " + path);
        return 0;
    case AddSource::tooLarge:
        ShowMessage(FileErrorText(FileCause::diskFull));
        return 0;
    case AddSource::readable:
        break;
    }
    if (!HasRoomToAdd(db.GetMainPath(), path)) {
        ShowMessage("Cannot save. Not enough hard drive free space.");
        return 0;
    }
    CMemFile bytes;
    std::uint16_t crc = 0;
    if (!CPictureDatabase::ComputeCrc(bytes, path, crc)) {
        ShowMessage("Cannot read " + path);
        return 0;
    }
    std::int32_t created = 0;
    if (!GetFileModTime(path, created))
        created = 0;
    if (!db.AddRecord(bytes, crc, path, created, 0, 0, keywords))
        return 0;
    CIndexEntry last;
    if (!db.Index().ReadEntry(last, db.Index().GetLastInserted()))
        return 0;
    // Out at once, not when the buffer fills: a script reading a pipe takes each line as
    // the word that its record is stored, and may act on it while later files are added.
    std::printf("%d\n", static_cast<int>(last.record));
    std::fflush(stdout);
    return 1;
}

int RunStore(CliArgs& args) {
    if (!args.Parse({{"--keyword", true}}, 2, CCliArgs::unbounded))
        return args.UsageError();
    std::vector<std::string> given = args.Values("--keyword");
    if (given.size() > maxKeywords)
        return args.UsageError("at most six keywords");
    CPictureDatabase::Keywords keywords;
    for (std::size_t i = 0; i < given.size(); ++i)
        keywords[i] = given[i];
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), true))
        return 1;
    for (std::size_t i = 1; i < args.Positionals().size(); ++i) {
        if (!StoreFile(db, args.Positional(i), keywords))
            return 1;
    }
    return 0;
}

} // namespace

int PrintRecord(CPictureDatabase& db, std::int32_t block, bool json) {
    CRecordHead head;
    if (!db.ReadHead(head, block))
        return 0;
    std::int64_t size = db.GetDataSize(block);
    if (size < 0)
        return 0;
    std::vector<std::string> keywords;
    for (int slot = 0; slot < MainFormat::keywordCount; ++slot) {
        if (head.HasKeyword(slot))
            keywords.push_back(head.Keyword(slot));
    }
    COutputLine line(json);
    line.AddNumber("block", block);
    line.AddText("name", head.FileName());
    line.AddNumber("size", size);
    line.AddNumber("width", head.Width());
    line.AddNumber("height", head.Height());
    line.AddNumber("saved", head.DateSaved());
    line.AddNumber("created", head.DateImageCreated());
    line.AddNumber("crc", head.Crc());
    line.AddTexts("keywords", keywords);
    line.Print();
    return 1;
}

namespace {

int RunList(CliArgs& args) {
    if (!args.Parse({{"--by", true}, {"--deleted", false}, {"--json", false}}, 1, 1))
        return args.UsageError();
    std::string by = "name";
    args.Value("--by", by);
    if (by != "name" && by != "date")
        return args.UsageError("--by takes name or date");
    bool withDeleted = args.Has("--deleted");
    bool json = args.Has("--json");

    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    CIndexFile& index = db.Index();
    index.SetOrder(by == "name" ? OrderFamily::fileName : OrderFamily::dateSaved);
    char prefix = by == "name" ? IndexFormat::nameFamily : IndexFormat::dateFamily;
    // What the walk must meet, counted without the links and the skip table: a walk that
    // meets fewer entries was led astray by damage and gives no answer.
    const std::int32_t expected = index.CountFamily(prefix, false);
    if (expected < 0)
        return 1;
    if (expected == 0)
        return 0;
    std::int32_t first = index.FindFloor(std::string(1, prefix), false);
    if (first < 0 || !index.GoTo(first))
        return ReportIncompleteWalk(index);
    // Each entry once: coming back to one means the links of a damaged file run in a circle.
    // (A set rather than a table of count flags: a writer may append while we read.)
    std::unordered_set<std::int32_t> visited;
    for (;;) {
        CIndexEntry entry = index.Current();
        std::string_view key = entry.Key();
        if (key.empty() || key[0] != prefix)
            break;
        if (!visited.insert(entry.number).second) {
            ShowMessage(brokenListMessage);
            return 1;
        }
        if ((withDeleted || !entry.IsDeleted()) && !PrintRecord(db, entry.record, json))
            return 1;
        bool wrapped = false;
        if (!index.GoNext(wrapped))
            return 1;
        if (wrapped)
            break;
    }
    // Entries appended by a writer while we read only add to the walk.
    if (static_cast<std::int32_t>(visited.size()) < expected)
        return ReportIncompleteWalk(index);
    return 0;
}

int RunExtract(CliArgs& args) {
    if (!args.Parse({{"--restore-time", false}}, 3, 3))
        return args.UsageError();
    std::int32_t block = 0;
    if (!CCliArgs::ParseBlock(args.Positional(1), block))
        return args.UsageError("BLOCK must be a block number");
    const std::string& outPath = args.Positional(2);

    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    if (CheckRecordBlock(db, block, false) != 1)
        return 1;
    // Deny-write on the output keeps it from being one of the database's own files,
    // which this or another process holds locked.
    CFile out;
    CFileException error;
    if (!out.Open(outPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite, &error)) {
        ShowMessage(FileErrorText(error.Cause()));
        return 1;
    }
    // A picture that cannot be read whole, or written whole, leaves no file behind.
    CRecordHead head;
    bool written = db.ReadPicture(out, block, head) != 0;
    try {
        out.Close();
    } catch (const CFileException& e) {
        if (written)
            ShowMessage(FileErrorText(e.Cause()));
        written = false;
    }
    if (!written) {
        UnlinkFile(outPath);
        return 1;
    }
    std::int32_t created = head.DateImageCreated();
    if (args.Has("--restore-time") && created != 0 && created != -1 &&
        !SetFileModTime(outPath, created)) {
        ShowMessage("Cannot set the time of " + outPath);
        return 1;
    }
    return 0;
}

int RunDelete(CliArgs& args) {
    std::vector<std::int32_t> blocks;
    if (!args.Parse({}, 2, CCliArgs::unbounded))
        return args.UsageError();
    if (!args.ParseBlocks(1, blocks))
        return args.UsageError("BLOCK must be a block number");
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), true))
        return 1;
    for (std::int32_t block : blocks) {
        CRecordHead head;
        if (CheckRecordBlock(db, block, false) != 1 || !db.ReadHead(head, block) ||
            !db.DeleteRecord(block, head))
            return 1;
    }
    return 0;
}

int RunSetKeywords(CliArgs& args) {
    if (!args.Parse({}, 2, CCliArgs::unbounded))
        return args.UsageError();
    std::int32_t block = 0;
    if (!CCliArgs::ParseBlock(args.Positional(1), block))
        return args.UsageError("BLOCK must be a block number");
    if (args.Positionals().size() - 2 > maxKeywords)
        return args.UsageError("at most six keywords");
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), true))
        return 1;
    // A deleted record stays deleted: new keyword entries would bring it back into
    // keyword searches.
    if (CheckRecordBlock(db, block, true) != 1)
        return 1;
    CRecordHead oldHead;
    if (!db.ReadHead(oldHead, block))
        return 1;
    CRecordHead newHead = oldHead;
    for (std::size_t slot = 0; slot < maxKeywords; ++slot) {
        std::size_t word = slot + 2;
        newHead.SetKeyword(static_cast<int>(slot),
                           word < args.Positionals().size() ? args.Positional(word) : "");
    }
    return db.ChangeKeywords(block, oldHead, newHead) ? 0 : 1;
}

const CliCommand recordCommands[] = {
    {"store", "DB FILE... [--keyword K]...",
     "store files as records (at most six keywords); prints each record's block as soon as "
     "it is stored",
     RunStore},
    {"list", "DB [--by name|date] [--deleted] [--json]", "list the records in name or date order",
     RunList},
    {"extract", "DB BLOCK OUT [--restore-time]", "write a record's picture bytes to a file",
     RunExtract},
    {"delete", "DB BLOCK...", "delete records", RunDelete},
    {"set-keywords", "DB BLOCK [KEYWORD]...", "replace a record's keywords (at most six)",
     RunSetKeywords},
};

} // namespace

std::span<const CliCommand> RecordCommands() {
    return recordCommands;
}
