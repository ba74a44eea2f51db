// The commands that run the collection's own flows through the document: add.
#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliDatabase.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace {

// A stored name printed on one line: control characters would split or garble it.
std::string PrintableName(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return name;
}

// The Add command's dialogs answered from the command line: the files in the order given,
// "Save &all" with the --keyword values at the first "Save" dialog, no window to minimize,
// and a duplicate stored only when the question is answered Yes (--yes). Each record is
// printed ("added BLOCK NAME") once it is on stable storage.
class CCliAddDialogs : public IAddDialogs, public IAddWindows {
public:
    CCliAddDialogs(CPictureDatabase& db, std::vector<std::string> paths,
                   const CPictureDatabase::Keywords& keywords)
        : m_db(db), m_paths(std::move(paths)), m_keywords(keywords) {}

    void PicturesStored(std::span<const std::int32_t> blocks) override {
        for (std::int32_t block : blocks) {
            CRecordHead head;
            if (m_db.ReadHead(head, block))
                std::printf("added %d %s\n", static_cast<int>(block),
                            PrintableName(head.FileName()).c_str());
        }
        // Out at once: a script reading a pipe takes each line as the word that its record
        // is stored.
        std::fflush(stdout);
    }

    bool BrowseFiles(std::vector<CAddFileChoice>& files) override {
        for (const std::string& path : m_paths)
            files.push_back({path, true});
        return true;
    }
    SaveChoice AskSave(const std::string&, bool saveAllEnabled,
                       CPictureDatabase::Keywords& keywords) override {
        keywords = m_keywords;
        return saveAllEnabled ? SaveChoice::saveAll : SaveChoice::save;
    }
    bool AskMinimizeWhileSaving() override { return false; }
    DuplicateChoice AskDuplicate(PxImage&, const std::string&) override {
        return AskYesNo(duplicateQuestion) ? DuplicateChoice::save : DuplicateChoice::doNotSave;
    }

private:
    CPictureDatabase& m_db;
    std::vector<std::string> m_paths;
    CPictureDatabase::Keywords m_keywords;
};

int RunAdd(CliArgs& args) {
    if (!args.Parse({{"--keyword", true}, {"--ignore-duplicates", false}}, 2, CCliArgs::unbounded))
        return args.UsageError();
    const std::vector<std::string> given = args.Values("--keyword");
    CPictureDatabase::Keywords keywords;
    if (given.size() > keywords.size())
        return args.UsageError("at most six keywords");
    std::copy(given.begin(), given.end(), keywords.begin());

    CPicdexDoc doc;
    if (!OpenForCommand(args, doc.Database(), args.Positional(0), true))
        return 1;
    CCliAddDialogs dialogs(doc.Database(),
                           {args.Positionals().begin() + 1, args.Positionals().end()}, keywords);
    CAddPictures command(doc, dialogs, dialogs, args.Has("--ignore-duplicates"));
    command.AddPictures();
    // The Add command passes over these without a word; here the exit status tells, and so
    // must a message.
    for (const std::string& path : command.SkippedFiles())
        ShowMessage("Invalid file format. (" + path + ")");
    return command.Failures() == 0 ? 0 : 1;
}

const CliCommand collectionCommands[] = {
    {"add", "DB FILE... [--keyword K]... [--ignore-duplicates]",
     "add pictures as the Add command does with \"Save all\": checksum, duplicate test, "
     "keywords, thumbnail; a duplicate is stored only with --yes",
     RunAdd},
};

} // namespace

std::span<const CliCommand> CollectionCommands() {
    return collectionCommands;
}
