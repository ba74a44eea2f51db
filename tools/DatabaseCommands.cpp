// The commands on a database as a whole: create, info, password, index.
#include "platform/FileException.h"
#include "platform/Prompt.h"
#include "storage/Password.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"
#include "tools/CliOutputLine.h"

#include <cstdio>
#include <ctime>
#include <set>
#include <vector>

namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

// ISO 8601 in local time with the zone's offset, e.g. 2026-12-06T08:15:00+0100.
std::string FormatLocalTime(std::int32_t seconds) {
    std::time_t time = seconds;
    const std::tm* local = std::localtime(&time);
    char text[64];
    if (!local || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", local) == 0)
        return std::to_string(seconds);
    return text;
}

void PrintField(const char* key, const std::string& value) {
    std::printf("%s: %s\n", key, value.c_str());
}

int RunCreate(CliArgs& args) {
    if (!args.Parse({}, 1, 1))
        return args.UsageError();
    const std::string& path = args.Positional(0);
    if (MainFileExists(path)) {
        ShowMessage("File already exists. Cannot overwrite.");
        return 1;
    }
    CPictureDatabase db;
    return db.OpenDatabase(path, true) ? 0 : 1;
}

int RunInfo(CliArgs& args) {
    if (!args.Parse({}, 1, 1))
        return args.UsageError();
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;

    CRecordHead header;
    std::string password;
    if (!db.Main().ReadBlock(header.Bytes(), 0) || !db.GetPassword(password))
        return 1;
    std::set<std::int32_t> records, deleted;
    int result = ForEachEntry(db.Index(), [&](const CIndexEntry& entry) {
        std::string_view key = entry.Key();
        if (key.empty() || key[0] != IndexFormat::nameFamily)
            return;
        records.insert(entry.record);
        if (entry.IsDeleted())
            deleted.insert(entry.record);
    });
    if (result != 1)
        return 1;

    PrintField("main file", db.GetMainPath());
    PrintField("index file", db.Index().GetPath());
    PrintField("blocks", std::to_string(db.Main().BlockCount()));
    PrintField("entries", std::to_string(db.Index().EntryCount()));
    PrintField("records", std::to_string(records.size()));
    PrintField("deleted records", std::to_string(deleted.size()));
    PrintField("password", YesNo(!password.empty()));
    PrintField("read-only", YesNo(db.IsReadOnly()));
    // The header keeps its creation time where a record head keeps its date saved.
    PrintField("created", FormatLocalTime(header.DateSaved()));
    return 0;
}

int RunPassword(CliArgs& args) {
    if (!args.Parse({{"--set", true}, {"--clear", false}}, 1, 1))
        return args.UsageError();
    std::string text;
    bool set = args.Value("--set", text);
    if (set == args.Has("--clear"))
        return args.UsageError("give either --set TEXT or --clear");
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), true))
        return 1;
    if (set) {
        if (CheckNewPassword(text, text) != NewPasswordCheck::accepted)
            return 1;
    } else {
        if (!ConfirmPasswordReset())
            return 1;
        text.clear();
    }
    return db.SetPassword(text) ? 0 : 1;
}

int RunIndex(CliArgs& args) {
    if (!args.Parse({{"--json", false}}, 1, 1))
        return args.UsageError();
    bool json = args.Has("--json");
    CPictureDatabase db;
    if (!OpenForCommand(args, db, args.Positional(0), false))
        return 1;
    CIndexFile& index = db.Index();
    if (!index.RefreshHeader())
        return 1;
    std::int32_t count = index.EntryCount();
    if (count < 0)
        return 1;

    // The list starts at the entry in slot 0 of the skip table and follows the next links,
    // each entry once: coming back to one means the links of a damaged file run in a circle.
    std::vector<bool> visited(static_cast<std::size_t>(count));
    std::int32_t i = index.GetHeader().skip[0];
    while (i != -1) {
        if (i < 0 || i >= count) {
            ShowMessage(FileErrorText(FileCause::endOfFile));
            return 1;
        }
        if (visited[i]) {
            ShowMessage(brokenListMessage);
            return 1;
        }
        visited[i] = true;
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return 1;
        COutputLine line(json);
        line.AddNumber("number", i);
        line.AddNumber("previous", entry.previous);
        line.AddNumber("next", entry.next);
        line.AddNumber("flags", entry.flags);
        line.AddText("key", entry.Key());
        line.AddNumber("record", entry.record);
        line.Print();
        i = entry.next;
    }
    return 0;
}

const CliCommand databaseCommands[] = {
    {"create", "DB", "create a new, empty database", RunCreate},
    {"info", "DB", "show the files, counts, password and creation time of a database", RunInfo},
    {"password", "DB (--set TEXT | --clear)", "set or remove the database password", RunPassword},
    {"index", "DB [--json]", "show every index entry in list order", RunIndex},
};

} // namespace

std::span<const CliCommand> DatabaseCommands() {
    return databaseCommands;
}
