#include "corruption/DamagedRun.h"

#include "collection/Duplicates.h"
#include "collection/PasswordCheck.h"
#include "collection/PicdexDoc.h"
#include "collection/ReconstructCommand.h"
#include "collection/Search.h"
#include "collection/VerifyDatabase.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/RecordHead.h"
#include "support/AddPicture.h"
#include "support/NoProgress.h"
#include "support/ScriptedPasswordDialog.h"
#include "support/ScriptedReconstruction.h"

#include <algorithm>
#include <optional>
#include <set>

namespace {

// Everything the operations run here may show: the file-error texts and the messages of
// opening, the password, browsing, the duplicate check and reconstruction.
bool IsProgramMessage(const std::string& text) {
    static const std::set<std::string> texts = [] {
        std::set<std::string> all = {
            "Wrong file version or broken file header",
            "Failed to open the file",
            "Invalid password.",
            "Data not found",
            "Duplicate data not found.",
            "Finished reconstructing file.",
        };
        for (int cause = FileCause::none; cause <= FileCause::endOfFile; ++cause)
            all.insert(FileErrorText(cause));
        return all;
    }();
    // What a main-file reconstruction says about what it could not copy or take from the
    // index.
    for (const char* start : {"Cannot read the record ", "The index file does not name every "}) {
        if (text.starts_with(start))
            return true;
    }
    return texts.count(text) != 0 || text.ends_with(" could not be copied.");
}

// The current record shown after moving to name; -1 when not found.
std::int32_t FoundByName(CPicdexDoc& doc, const std::string& name) {
    if (FindFileName(doc, MakeNameKey(name)) < 0)
        return -1;
    return doc.Database().Index().GetCurrentRecord();
}

constexpr const char* addedName = "added.gif";

// The entries reached by walking the list of the index file's bytes from its first entry.
std::set<std::int32_t> ListedEntries(std::vector<std::uint8_t> index) {
    CFormatReader reader;
    reader.Read({}, std::move(index));
    std::set<std::int32_t> listed;
    for (const CFormatReader::Entry& entry : reader.Entries())
        listed.insert(entry.number);
    return listed;
}

} // namespace

const char* OperationName(Operation operation) {
    static const char* const names[operationCount] = {
        "open",       "check",         "browse",       "search",
        "duplicates", "index rebuild", "main rebuild", "add and delete"};
    return names[static_cast<int>(operation)];
}

CDamagedRun::CDamagedRun(const CPreparedDatabase& prepared, const DamageCase& damage,
                         CScriptedPrompt& prompt)
    : m_prepared(prepared), m_damage(damage), m_prompt(prompt) {}

void CDamagedRun::WriteDamagedCopy() {
    m_damaged = {m_prepared.MainBytes(), m_prepared.IndexBytes()};
    m_damage.Apply(m_damage.InIndex() ? m_damaged.index : m_damaged.main);
    WriteFileBytes(Base() + ".PXM", m_damaged.main);
    WriteFileBytes(Base() + ".PXI", m_damaged.index);
}

bool CDamagedRun::OpenDamagedCopy(CPictureDatabase& db) {
    WriteDamagedCopy();
    const bool opened = db.OpenDatabase(Base(), false) != 0;
    EXPECT_TRUE(opened) << "the damaged copy opened before";
    return opened;
}

CDamagedRun::Files CDamagedRun::Snapshot() const {
    return {ReadFileBytes(Base() + ".PXM"), ReadFileBytes(Base() + ".PXI")};
}

bool CDamagedRun::Undamaged(const PreparedRecord& record) const {
    return m_damage.InIndex() || !m_damage.Touches(record.Begin(), record.End());
}

const PreparedRecord* CDamagedRun::UndamagedAt(std::int32_t head) const {
    for (const PreparedRecord& record : m_prepared.Records()) {
        if (record.head == head && Undamaged(record)) {
            return &record;
        }
    }
    return nullptr;
}

bool CDamagedRun::TouchesPassword() const {
    return !m_damage.InIndex() &&
           m_damage.Touches(MainFormat::passwordOffset,
                            MainFormat::passwordOffset + MainFormat::passwordField);
}

bool CDamagedRun::Shown(Operation operation) {
    for (const std::string& text : m_prompt.Texts()) {
        EXPECT_TRUE(IsProgramMessage(text))
            << OperationName(operation) << " showed a text of its own: \"" << text << "\"";
    }
    const bool shown = !m_prompt.Texts().empty();
    m_prompt.Clear();
    return shown;
}

RunOutcomes CDamagedRun::Run() {
    RunOutcomes outcomes;
    outcomes.fill('-');
    WriteDamagedCopy();
    auto step = [&](Operation operation, auto&& run) {
        SCOPED_TRACE(OperationName(operation));
        outcomes[static_cast<int>(operation)] = run();
    };

    step(Operation::open, [&] { return OpenForDocument(); });
    step(Operation::check, [&] { return Check(); });

    CPicdexDoc doc;
    bool opened = false;
    step(Operation::browse, [&] {
        opened = doc.Database().OpenDatabase(Base(), false) != 0;
        if (!opened) {
            EXPECT_TRUE(Shown(Operation::browse)) << "a refused database says why";
            EXPECT_TRUE(Snapshot() == m_damaged) << "a refused database is not written";
            return '-';
        }
        return Browse(doc);
    });
    if (!opened)
        return outcomes;
    step(Operation::search, [&] { return Search(doc); });
    step(Operation::duplicates, [&] { return Duplicates(doc); });
    step(Operation::indexRebuild, [&] { return RebuildIndex(doc); });
    step(Operation::mainRebuild, [&] { return RebuildMain(); });
    step(Operation::addAndDelete, [&] { return AddAndDelete(); });
    return outcomes;
}

char CDamagedRun::OpenForDocument() {
    ArmPasswordCheck();
    std::vector<std::optional<std::string>> answers;
    if (!m_prepared.Password().empty())
        answers.emplace_back(std::string(m_prepared.Password()));
    CScriptedPasswordDialog dialog(answers);
    CPicdexDoc doc;
    const bool opened = ::OpenForDocument(doc.Database(), MainPath(), dialog) != 0;
    const bool said = Shown(Operation::open);
    if (!opened) {
        // Cancelling the password question is the user's choice; anything else says why.
        EXPECT_TRUE(said || dialog.AskCount() > 0) << "a refused database says why";
        EXPECT_TRUE(Snapshot() == m_damaged) << "a refused database is not written";
    } else if (!TouchesPassword()) {
        EXPECT_EQ(dialog.AskCount(), m_prepared.Password().empty() ? 0 : 1);
    }
    // The password is asked once per process: the later opens of this run do not ask.
    return !opened ? 'x' : said ? '~' : '+';
}

char CDamagedRun::Check() {
    // Which records no longer read back intact, as the database's own reader sees them.
    m_unreadable = 0;
    {
        CPictureDatabase db;
        if (db.OpenDatabase(Base(), false)) {
            for (const PreparedRecord& record : m_prepared.Records()) {
                CMemFile bytes;
                CRecordHead head;
                if (!db.ReadPicture(bytes, record.head, head) || BytesOf(bytes) != record.bytes)
                    ++m_unreadable;
            }
        }
        m_prompt.Clear();
    }
    const DatabaseCheckResult quick = VerifyDatabase(MainPath(), true);
    const DatabaseCheckResult full = VerifyDatabase(MainPath(), false);
    EXPECT_TRUE(m_prompt.Texts().empty()) << "the check shows nothing";
    EXPECT_TRUE(Snapshot() == m_damaged) << "the check writes nothing";
    for (const DatabaseCheckResult* result : {&quick, &full}) {
        EXPECT_EQ(result->Clean(), !result->mainDamaged && !result->indexDamaged);
    }
    if (m_unreadable > 0) {
        EXPECT_FALSE(full.Clean())
            << m_unreadable << " pictures do not read back, yet the database passes";
    }
    if (m_damage.InIndex()) {
        EXPECT_FALSE(full.mainDamaged) << "damage to the index blamed on the main file";
    }
    if (m_damage.keepsPictures) {
        EXPECT_TRUE(full.mainDamaged) << "a damaged size or kind passes as a note";
    }
    m_prompt.Clear();
    return full.Clean() ? '+' : 'x';
}

char CDamagedRun::Browse(CPicdexDoc& doc) {
    CIndexFile& index = doc.Database().Index();
    std::set<std::int32_t> seen;
    bool complete = true;
    auto look = [&](bool moved) {
        if (!moved) {
            complete = false;
            return;
        }
        const std::int32_t record = index.GetCurrentRecord();
        seen.insert(record);
        if (const PreparedRecord* intact = UndamagedAt(record)) {
            EXPECT_EQ(doc.GetPictureKind(), intact->kind) << intact->name << " is not shown";
        }
    };
    // Once round each list and a little beyond, so that both ends wrap.
    const int steps = m_prepared.LiveCount() + 2;
    for (int order : {OrderFamily::fileName, OrderFamily::dateSaved}) {
        doc.ShowAll(order, false);
        look(doc.GoTop());
        for (int k = 0; k < steps; ++k)
            look(doc.GoNext());
        look(doc.GoBottom());
        for (int k = 0; k < steps; ++k)
            look(doc.GoPrevious());
    }
    if (!m_damage.InIndex()) {
        for (const PreparedRecord& record : m_prepared.Records()) {
            if (!record.deleted && Undamaged(record)) {
                EXPECT_TRUE(seen.count(record.head)) << record.name << " was never shown";
            }
        }
    }
    const bool quiet = !Shown(Operation::browse);
    return complete && quiet ? '+' : '~';
}

char CDamagedRun::Search(CPicdexDoc& doc) {
    CPictureDatabase& db = doc.Database();
    bool complete = SearchKeyword(doc, MakeKeywordKey("tree"));
    for (int k = 0; k < m_prepared.LiveCount() && complete; ++k)
        complete = doc.GoNext();
    doc.ShowAll(OrderFamily::fileName, false);
    std::vector<std::string> lines;
    complete = FillKeywordList(db, lines, 64, 0) && complete;
    for (const PreparedRecord& record : m_prepared.Records()) {
        if (record.deleted)
            continue;
        const std::int32_t found = FoundByName(doc, record.name);
        complete = complete && found == record.head;
        if (!m_damage.InIndex() && Undamaged(record)) {
            EXPECT_EQ(found, record.head) << record.name << " is not found by its name";
        }
    }
    if (!m_damage.InIndex()) {
        // The index is intact: the keyword list counts the live records of each keyword.
        EXPECT_NE(std::find(lines.begin(), lines.end(), "tree [2]"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "animal [2]"), lines.end());
    }
    const bool quiet = !Shown(Operation::search);
    return complete && quiet ? '+' : '~';
}

char CDamagedRun::Duplicates(CPicdexDoc& doc) {
    CPictureDatabase& db = doc.Database();
    db.Marks().UnmarkAll();
    const int count = CDuplicates::MarkDuplicates(db);
    const PreparedRecord& original = m_prepared.Record("testorig.jpg");
    const PreparedRecord& copy = m_prepared.Record("copy.jpg");
    const bool pairIntact = !m_damage.InIndex() && Undamaged(original) && Undamaged(copy);
    if (pairIntact) {
        EXPECT_TRUE(db.Marks().IsMarked(original.head) && db.Marks().IsMarked(copy.head))
            << "the two copies of testorig.jpg are not both marked";
    }
    const bool quiet = !Shown(Operation::duplicates);
    return count > 0 && quiet ? '+' : '~';
}

bool CDamagedRun::Reconstruct(CPictureDatabase& db, CScriptedReconstruction& dialogs,
                              Operation operation, MainCopyReport* copy) {
    const Files before = Snapshot();
    CMemorySettings settings;
    CReconstructCommand command(db, dialogs, dialogs, settings);
    const bool built = command.Run() != 0;
    if (copy)
        *copy = command.CopyReport();
    EXPECT_EQ(dialogs.m_badSteps, 0) << "progress out of range";
    if (!built) {
        EXPECT_TRUE(Shown(operation)) << "a failed build says why";
        EXPECT_FALSE(FileExists(m_dir.File("*%$*"))) << "a temporary file is left behind";
        db.Close();
        EXPECT_TRUE(Snapshot() == before) << "a failed build changed the database";
    }
    return built;
}

char CDamagedRun::RebuildIndex(CPicdexDoc& doc) {
    CPictureDatabase& db = doc.Database();
    const Files before = Snapshot();
    CScriptedReconstruction dialogs(ReconstructChoice::index);
    if (!Reconstruct(db, dialogs, Operation::indexRebuild)) {
        // Only a file error can stop it: the build reads every block and keeps what it finds.
        ADD_FAILURE() << "the index reconstruction failed on a database that opens";
        return 'x';
    }
    EXPECT_EQ(dialogs.m_opened, db.GetMainPath());
    EXPECT_TRUE(dialogs.m_closed);
    db.Close();
    EXPECT_EQ(CompletePendingReconstruction(MainPath()), 1);
    EXPECT_TRUE(m_prompt.Saw("Finished reconstructing file."));
    EXPECT_TRUE(ReadFileBytes(Base() + ".PXM") == before.main) << "the main file was changed";
    Shown(Operation::indexRebuild);
    ExpectRecordsBack(true);
    return '+';
}

char CDamagedRun::RebuildMain() {
    CPicdexDoc doc; // the main file is rebuilt from the damaged database itself
    CPictureDatabase& db = doc.Database();
    if (!OpenDamagedCopy(db))
        return 'x';
    CScriptedReconstruction dialogs(ReconstructChoice::main);
    MainCopyReport copy;
    if (!Reconstruct(db, dialogs, Operation::mainRebuild, &copy))
        return 'x';
    const bool quiet = !Shown(Operation::mainRebuild);
    db.Close();
    EXPECT_EQ(CompletePendingReconstruction(MainPath()), 1);
    for (const char* left : {"*%$*", "*.px1", "*.px2"}) {
        EXPECT_FALSE(FileExists(m_dir.File(left))) << left << " is left behind";
    }
    Shown(Operation::mainRebuild);
    ExpectRecordsBack(false);
    EXPECT_EQ(m_keptByMainRebuild, copy.copied) << "the new main file holds what was copied";
    // A sound index gives the live records; one rebuilt from the main file every record.
    if (!copy.indexRebuilt && m_damage.InIndex()) {
        EXPECT_EQ(copy.copied, m_prepared.LiveCount());
    }
    return quiet && copy.notCopied == 0 ? '+' : '~';
}

char CDamagedRun::AddAndDelete() {
    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!OpenDamagedCopy(db))
        return 'x';
    const std::vector<std::uint8_t>& picture = m_prepared.ExtraPicture();
    CMemFile file;
    FillMemFile(file, picture);
    const bool added =
        db.AddRecord(file, UpdateCrc16(0, picture), addedName, 0, 1, 1, {"tree", "new"}) != 0;
    std::int32_t head = -1;
    CIndexEntry entry;
    if (added && db.Index().ReadEntry(entry, db.Index().GetLastInserted()))
        head = entry.record;
    // An insertion, even into a damaged list, takes no entry off it; into a list that held
    // every entry it links its own.
    const std::set<std::int32_t> before = ListedEntries(m_damaged.index);
    const std::vector<std::uint8_t> index = ReadFileBytes(Base() + ".PXI");
    const std::set<std::int32_t> after = ListedEntries(index);
    EXPECT_TRUE(std::includes(after.begin(), after.end(), before.begin(), before.end()))
        << "adding took entries off the list: " << before.size() << " before, " << after.size()
        << " after";
    if (before.size() == m_prepared.ListOrder().size()) {
        const std::size_t entries =
            index.size() < IndexFormat::headerSize
                ? 0
                : (index.size() - IndexFormat::headerSize) / IndexFormat::entrySize;
        EXPECT_EQ(after.size(), entries) << "an entry was written off the list";
    }
    EXPECT_EQ(added, head >= 0) << "a stored record is not named by its last entry";
    const PreparedRecord& cat = m_prepared.Record("cat.gif");
    const bool deleted = FoundByName(doc, cat.name) == cat.head && doc.DeleteCurrent();

    std::set<std::int32_t> seen;
    doc.ShowAll(OrderFamily::fileName, true);
    seen.insert(db.Index().GetCurrentRecord());
    for (int k = 0; k < m_prepared.LiveCount() + 2; ++k) {
        if (doc.GoNext())
            seen.insert(db.Index().GetCurrentRecord());
    }
    if (!m_damage.InIndex()) {
        EXPECT_TRUE(added) << "a picture cannot be added beside the damage";
        if (Undamaged(cat)) {
            EXPECT_TRUE(deleted) << "cat.gif cannot be deleted";
        }
        // A file cut at cat.gif's head gives its block to the new picture, and cat.gif's
        // entries then name the new head.
        if (cat.head != head) {
            EXPECT_EQ(FoundByName(doc, addedName), head) << "the new picture is not found";
            EXPECT_TRUE(seen.count(head)) << "the new picture is not browsed";
            EXPECT_FALSE(deleted && seen.count(cat.head)) << "a deleted record is still browsed";
        }
    }
    if (added) {
        EXPECT_TRUE(ReadsBack(db, head, picture)) << "the new picture does not read back";
    }
    const bool quiet = !Shown(Operation::addAndDelete);

    // Whatever the index went through, rebuilding it brings the new picture back.
    EXPECT_TRUE(BuildAndInstall(db));
    m_prompt.Clear();
    if (added) {
        CPicdexDoc rebuilt;
        EXPECT_TRUE(rebuilt.Database().OpenDatabase(Base(), false));
        EXPECT_EQ(FoundByName(rebuilt, addedName), head) << "the new picture is lost";
        EXPECT_TRUE(ReadsBack(rebuilt.Database(), head, picture));
    }
    ExpectRecordsBack(true);
    return added && deleted && quiet ? '+' : '~';
}

void CDamagedRun::ExpectRecordsBack(bool indexRebuild) {
    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    ASSERT_TRUE(db.OpenDatabase(Base(), false)) << "the reconstructed database does not open";
    // An index rebuilt from the main file lists every head, deleted records included; a new
    // main file holds every live record, or it is not built.
    // No repair loses a record whose picture the damage left readable; one whose head's
    // size or a block's kind was damaged reads back once a new main file rewrote it.
    for (const PreparedRecord& record : m_prepared.Records()) {
        const bool intact = Undamaged(record);
        if (!(intact || m_damage.keepsPictures) || (!indexRebuild && record.deleted))
            continue;
        const std::int32_t found = FoundByName(doc, record.name);
        CRecordHead head;
        const bool named = found >= 0 && db.ReadHead(head, found) && head.FileName() == record.name;
        EXPECT_TRUE(named) << record.name << " is lost";
        if (!named)
            continue;
        CMemFile bytes;
        EXPECT_TRUE((indexRebuild && !intact) ||
                    (db.ReadPicture(bytes, found, head) && BytesOf(bytes) == record.bytes))
            << record.name << " does not read back byte for byte";
        if (indexRebuild) {
            EXPECT_EQ(found, record.head) << record.name << " is found at another head";
        }
    }
    std::string password;
    EXPECT_TRUE(db.GetPassword(password));
    if (!TouchesPassword()) {
        EXPECT_EQ(password, m_prepared.Password());
    }
    CFormatReader reader;
    reader.Read(ReadFileBytes(Base() + ".PXM"), ReadFileBytes(Base() + ".PXI"));
    if (!indexRebuild)
        m_keptByMainRebuild = static_cast<int>(reader.Records().size());
    // The main file was intact: whatever was built from it is a clean database.
    if (m_damage.InIndex()) {
        EXPECT_TRUE(reader.IsClean()) << reader.Report();
    }
    m_prompt.Clear();
}
