#include "faults/FaultFixtures.h"

#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// The runs work in a memory file system when the machine has one and TMPDIR names no
// other place. The faults are injected, so the real syncs of a thousand runs would prove
// nothing here and cost minutes on a disk.
const bool g_memoryTemporaryFolder = [] {
    if (!std::getenv("TMPDIR") && ::access("/dev/shm", W_OK | X_OK) == 0)
        ::setenv("TMPDIR", "/dev/shm", 0);
    return true;
}();

// Adds the pictures (paths inside the corpus folder, keywords) to the database at base
// through the Add command; the head blocks of the stored records, in order.
std::vector<std::int32_t>
AddThroughCommand(const std::string& base, const std::string& corpus,
                  const std::vector<std::pair<std::string, CPictureDatabase::Keywords>>& pictures) {
    CPicdexDoc doc;
    if (!doc.Database().OpenDatabase(base, true))
        return {};
    CScriptedAddDialogs dialogs;
    for (const auto& [path, keywords] : pictures)
        dialogs.m_files.emplace_back(corpus + path, keywords);
    CAddPictures command(doc, dialogs, dialogs, false);
    command.AddPictures();
    if (command.StoredRecords().size() != pictures.size())
        return {};
    return command.StoredRecords();
}

// Builds both databases in folder; "" or what went wrong.
std::string Prepare(const std::string& folder, const std::string& corpus) {
    CScriptedPrompt prompt;
    CScopedPrompt scope(prompt);
    const std::vector<std::int32_t> records =
        AddThroughCommand(folder + "db", corpus,
                          {{"gif/treescap.gif", {"tree"}},
                           {"jpeg/testorig.jpg", {"sea", "", "sky"}},
                           {"bmp/bmpsuite-pal8.bmp", {}},
                           {"tiff/palette-1c-4b.tiff", {"cat", "Grey"}},
                           {"jpeg/testimgp.jpg", {"gone"}}});
    if (records.size() != 5)
        return "db: " + std::to_string(records.size()) + " records stored";
    CPicdexDoc doc;
    if (!OpenDocumentAt(doc, folder + "db", records.back()) || !doc.DeleteCurrent())
        return "db: the last record was not deleted";
    const std::vector<std::int32_t> others = AddThroughCommand(
        folder + "other", corpus,
        {{"gif/porsche-screen400x300.gif", {"car"}}, {"jpeg/testorig.jpg", {"sea"}}});
    if (others.size() != 2)
        return "other: " + std::to_string(others.size()) + " records stored";
    return prompt.Messages().empty() ? "" : "message: " + prompt.Messages().front();
}

} // namespace

std::string CorpusFolder() {
    return TestDataDir();
}

std::string PreparedFolder() {
    const std::string corpus = CorpusFolder();
    if (corpus.empty())
        return {};
    // Made once: every test copies the files before each run and never writes here.
    static const std::unique_ptr<CTempDir> folder = [&] {
        auto made = std::make_unique<CTempDir>();
        const std::string failure = Prepare(made->Path(), corpus);
        if (!failure.empty())
            ADD_FAILURE() << "the databases of the fault tests could not be prepared: " << failure;
        return made;
    }();
    return folder->Path();
}

bool CScriptedAddDialogs::BrowseFiles(std::vector<CAddFileChoice>& files) {
    files.clear();
    for (const auto& file : m_files)
        files.push_back({file.first, true});
    return true;
}

SaveChoice CScriptedAddDialogs::AskSave(const std::string& path, bool,
                                        CPictureDatabase::Keywords& keywords) {
    for (const auto& file : m_files)
        if (file.first == path)
            keywords = file.second;
    return m_saveAll ? SaveChoice::saveAll : SaveChoice::save;
}

DuplicateChoice CScriptedAddDialogs::AskDuplicate(PxImage&, const std::string&) {
    return DuplicateChoice::doNotSave;
}

bool OpenDocumentAt(CPicdexDoc& doc, const std::string& base, std::int32_t block) {
    CPictureDatabase& db = doc.Database();
    if (!db.IsOpen() && !db.OpenDatabase(base, false))
        return false;
    db.EndSearch();
    db.Index().SetOrder(OrderFamily::fileName);
    return db.LocateRecord(block) && db.Index().GetCurrentRecord() == block && doc.ReloadCurrent();
}

bool CMarkedDocument::Open(const std::string& base, std::int32_t current,
                           const std::vector<std::int32_t>& marked) {
    if (!OpenDocumentAt(doc, base, current))
        return false;
    for (std::int32_t record : marked)
        doc.Database().Marks().Mark(record);
    return true;
}

bool CPreparedFaultTest::UsePrepared(const std::vector<std::string>& names) {
    const std::string folder = PreparedFolder();
    if (folder.empty())
        return false;
    for (const std::string& name : names) {
        AddCopiedFile(folder + name + ".PXM", File(name + ".PXM"));
        AddCopiedFile(folder + name + ".PXI", File(name + ".PXI"));
    }
    CopyFreshFiles();
    return true;
}

CDatabaseState CPreparedFaultTest::Prepared(const std::string& name) {
    return ReadDatabaseState(PreparedFolder() + name);
}

std::vector<std::uint8_t> CPreparedFaultTest::PreparedBytes(const std::string& fileName) {
    return ReadFileBytes(PreparedFolder() + fileName);
}

bool CPreparedFaultTest::IsPrepared(const std::string& name) const {
    return ReadFileBytes(File(name + ".PXM")) == PreparedBytes(name + ".PXM") &&
           ReadFileBytes(File(name + ".PXI")) == PreparedBytes(name + ".PXI");
}

void CShownAndMarkedFaultTest::SetUp() {
    if (!UsePrepared({"db"}))
        return;
    const CDatabaseState before = Prepared("db");
    m_shown = before.Named("testorig.jpg");
    m_marked = {before.Named("treescap.gif"), before.Named("palette-1c-4b.tiff")};
    Watch(File("db"), {m_shown, m_marked[0], m_marked[1]});
}
