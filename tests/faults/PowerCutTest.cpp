// Power cuts in the middle of every command that writes a database. The write journal of
// the file layer records a command's writes, syncs, renames and removals in order; for many
// points of that record the test rebuilds what a disk may hold after a power cut there:
// everything synced before the point, a drawn part of the writes made after their file's
// last sync, and a drawn prefix of the name changes made after the last folder sync. Each
// such disk is recovered as the program does it (open by path, which installs a finished
// reconstruction; the check; an index reconstruction when the index is damaged), and no
// picture held live before the command, nor any the command reported stored before the
// cut, may be lost. A summary line per command tells cut points, disks tried and losses.
#include "collection/AddPictures.h"
#include "collection/VerifyDatabase.h"
#include "faults/FaultFixtures.h"
#include "platform/WriteJournal.h"
#include "storage/PictureDatabase.h"
#include "support/NoProgress.h"
#include "support/ScriptedReconstruction.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using WriteJournal::Entry;
using WriteJournal::Kind;

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The files of one folder before a command and the journal of the command: what a disk
// may hold after a cut at any entry.
class CPowerCutDisk {
public:
    // Takes the files of folder as they are before the command.
    explicit CPowerCutDisk(const std::string& folder) {
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            struct stat st {};
            if (!file.is_regular_file() || ::stat(file.path().c_str(), &st) != 0)
                continue;
            m_current[st.st_ino] = m_initial.size();
            m_names[file.path().filename().string()] = m_initial.size();
            m_initial.push_back(ReadFileBytes(file.path().string()));
        }
    }

    // The command's journal.
    void SetJournal(std::vector<Entry> journal) {
        m_journal = std::move(journal);
        // Content identities: a file opened as new starts a new one even when the system
        // hands out the inode of a file removed before.
        std::map<std::uint64_t, std::size_t> current = m_current;
        std::size_t next = m_initial.size();
        for (const Entry& entry : m_journal) {
            if (entry.kind == Kind::open && (entry.created || !current.count(entry.file)))
                current[entry.file] = next++;
            m_ids.push_back(entry.file ? current[entry.file] : 0);
        }
        m_idCount = next;
    }

    std::size_t Size() const { return m_journal.size(); }
    const Entry& At(std::size_t k) const { return m_journal[k]; }

    // Writes into folder what the disk holds after a cut before entry cut. keep: 1 keeps
    // every unsynced change, 0 none, -1 draws each from random.
    void Materialise(std::size_t cut, int keep, std::mt19937& random,
                     const std::string& folder) const {
        auto kept = [&] { return keep < 0 ? (random() & 1) != 0 : keep == 1; };
        std::size_t namesSynced = 0;
        std::vector<std::size_t> fileSynced(m_idCount, 0);
        for (std::size_t k = 0; k < cut; ++k) {
            if (m_journal[k].kind == Kind::syncFolder)
                namesSynced = k + 1;
            if (m_journal[k].kind == Kind::sync)
                fileSynced[m_ids[k]] = k + 1;
        }
        std::vector<std::size_t> nameChanges;
        for (std::size_t k = namesSynced; k < cut; ++k)
            if (IsNameChange(m_journal[k]))
                nameChanges.push_back(k);
        std::size_t prefix = keep == 1 ? nameChanges.size() : 0;
        if (keep < 0)
            prefix = random() % (nameChanges.size() + 1);
        const std::size_t namesEnd = prefix ? nameChanges[prefix - 1] + 1 : namesSynced;

        std::map<std::string, std::size_t> names = m_names;
        std::vector<std::vector<std::uint8_t>> content = m_initial;
        content.resize(m_idCount);
        for (std::size_t k = 0; k < cut; ++k) {
            const Entry& entry = m_journal[k];
            if (IsNameChange(entry) && k < namesEnd)
                Rename(entry, m_ids[k], names);
            if (!IsContentChange(entry) || (k >= fileSynced[m_ids[k]] && !kept()))
                continue;
            std::vector<std::uint8_t>& bytes = content[m_ids[k]];
            if (entry.kind == Kind::write) {
                const auto end = static_cast<std::size_t>(entry.offset) + entry.bytes.size();
                bytes.resize(std::max(bytes.size(), end));
                std::copy(entry.bytes.begin(), entry.bytes.end(), bytes.begin() + entry.offset);
            } else {
                bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(entry.offset, 0)));
            }
        }
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const auto& [name, id] : names)
            WriteFileBytes(folder + name, content[id]);
    }

private:
    static bool IsNameChange(const Entry& entry) {
        return (entry.kind == Kind::open && entry.created) || entry.kind == Kind::rename ||
               entry.kind == Kind::unlink;
    }
    static bool IsContentChange(const Entry& entry) {
        return entry.kind == Kind::write || entry.kind == Kind::setLength ||
               (entry.kind == Kind::open && entry.offset == 0);
    }
    static void Rename(const Entry& entry, std::size_t id,
                       std::map<std::string, std::size_t>& names) {
        const std::string name = BaseName(entry.path);
        if (entry.kind == Kind::open) {
            names[name] = id;
        } else if (auto found = names.find(name); found != names.end()) {
            if (entry.kind == Kind::rename)
                names[BaseName(entry.target)] = found->second;
            names.erase(name);
        }
    }

    std::vector<Entry> m_journal;
    std::map<std::uint64_t, std::size_t> m_current; // inode: identity before the command
    std::vector<std::size_t> m_ids;
    std::map<std::string, std::size_t> m_names;
    std::vector<std::vector<std::uint8_t>> m_initial;
    std::size_t m_idCount = 0;
};

// A picture that must survive: from the entry on where it became promised.
struct CPromise {
    std::vector<std::uint8_t> picture;
    std::size_t from = 0;
};

class PowerCutTest : public CPreparedFaultTest {
protected:
    void SetUp() override {
        m_ready = UsePrepared({"db", "other"});
        if (m_ready)
            m_db = ReadDatabaseState(File("db"));
    }

    // Runs command with the journal recording, then cuts the power at every entry up to a
    // budget (the entries around syncs and renames always) with several disks per cut.
    // The records named in going may lose their liveness.
    void Cut(const std::string& name, const std::function<void()>& command,
             const std::vector<std::string>& going = {}) {
        CopyFreshFiles();
        std::vector<CPromise> promises;
        for (const char* base : {"db", "other"}) {
            const CDatabaseState state = ReadDatabaseState(File(base));
            for (const CFormatReader::Record& record : state.reader.Records())
                if (state.IsLive(record.block) &&
                    std::find(going.begin(), going.end(), record.fileName) == going.end())
                    promises.push_back({record.picture, 0});
        }
        CPowerCutDisk disk(File(""));
        WriteJournal::Start();
        command();
        WriteJournal::Stop();
        disk.SetJournal(WriteJournal::Entries());
        AddReported(disk, promises);

        std::mt19937 random(20261206);
        // In memory where there is a memory file system: the disks are many, and their syncs
        // in recovery would only slow the test.
        std::string folder = File("cut/");
        if (std::filesystem::is_directory("/dev/shm"))
            folder = "/dev/shm/picdex-cut-" + std::to_string(::getpid()) + "/";
        int cuts = 0, disks = 0, lost = 0;
        m_mainRepairs = 0;
        const std::size_t stride = std::max<std::size_t>(1, disk.Size() / 40);
        for (std::size_t cut = 0; cut <= disk.Size(); ++cut) {
            const bool edge =
                cut == disk.Size() || (cut > 0 && disk.At(cut - 1).kind != Kind::write);
            if (cut % stride != 0 && !edge)
                continue;
            ++cuts;
            for (int keep : {0, 1, -1, -1}) {
                ++disks;
                disk.Materialise(cut, keep, random, folder);
                const int missing = Recover(folder, promises, cut);
                EXPECT_EQ(missing, 0) << name << ": cut before entry " << cut << " of "
                                      << disk.Size() << ", keep " << keep;
                lost += missing;
            }
        }
        std::filesystem::remove_all(folder);
        std::printf("power cut %s: %zu journal entries, %d cut points, %d disks, %d main-file "
                    "repairs, %d pictures lost\n",
                    name.c_str(), disk.Size(), cuts, disks, m_mainRepairs, lost);
    }

    // The records of "db" and "other" that the journal's marks report stored ("db 12").
    void AddReported(const CPowerCutDisk& disk, std::vector<CPromise>& promises) {
        std::map<std::string, CDatabaseState> after;
        for (std::size_t k = 0; k < disk.Size(); ++k) {
            if (disk.At(k).kind != Kind::mark)
                continue;
            const std::string& note = disk.At(k).path;
            const std::string base = note.substr(0, note.find(' '));
            if (!after.count(base))
                after[base] = ReadDatabaseState(File(base));
            const auto* record = after[base].Find(std::stoi(note.substr(base.size() + 1)));
            ASSERT_NE(record, nullptr) << "reported stored, not in the file: " << note;
            promises.push_back({record->picture, k});
        }
    }

    // Recovers the disk in folder and counts the promises made before cut that no live
    // record of either database keeps. A damaged main file (an unsynced record of which
    // only some blocks reached the disk) is repaired with a main-file reconstruction, a
    // damaged index with an index reconstruction.
    int Recover(const std::string& folder, const std::vector<CPromise>& promises, std::size_t cut) {
        std::vector<CDatabaseState> states;
        for (const std::string& base : {folder + "db", folder + "other"}) {
            CompletePendingReconstruction(base + ".PXM");
            DatabaseCheckResult check = VerifyDatabase(base + ".PXM", false);
            for (int repair = 0; repair < 2 && !check.Clean(); ++repair) {
                const bool main = check.mainDamaged;
                m_mainRepairs += main ? 1 : 0;
                CPictureDatabase db;
                EXPECT_TRUE(db.OpenDatabase(base, true) && BuildAndInstall(db, main));
                check = VerifyDatabase(base + ".PXM", false);
            }
            EXPECT_TRUE(check.Clean()) << Joined(check.problems);
            states.push_back(ReadDatabaseState(base));
        }
        int missing = 0;
        for (const CPromise& promise : promises) {
            if (promise.from >= cut)
                continue;
            bool found = false;
            for (const CDatabaseState& state : states)
                for (const CFormatReader::Record& record : state.reader.Records())
                    found =
                        found || (state.IsLive(record.block) && record.picture == promise.picture);
            missing += found ? 0 : 1;
        }
        m_prompt.Clear();
        return missing;
    }

    // Opens db with the first of names shown and all of them marked.
    bool OpenAndMark(CMarkedDocument& marked, const std::vector<std::string>& names) {
        std::vector<std::int32_t> blocks;
        for (const std::string& name : names)
            blocks.push_back(m_db.Named(name));
        return marked.Open(File("db"), blocks.at(0), blocks);
    }

    void Reconstruct(ReconstructChoice choice) {
        CPictureDatabase db;
        ASSERT_TRUE(db.OpenDatabase(File("db"), false));
        CMemorySettings settings;
        CScriptedReconstruction dialogs(choice);
        CReconstructCommand command(db, dialogs, dialogs, settings);
        ASSERT_EQ(command.Run(), 1);
        db.Close();
        // The next open installs the new files.
        ASSERT_EQ(CompletePendingReconstruction(File("db.PXM")), 1);
    }

    bool m_ready = false;
    int m_mainRepairs = 0;
    CDatabaseState m_db;
};

// The Add command's windows, which note each picture reported stored in the journal.
class CReportingAddDialogs : public CScriptedAddDialogs {
public:
    void PicturesStored(std::span<const std::int32_t> blocks) override {
        for (std::int32_t block : blocks)
            WriteJournal::Mark("db " + std::to_string(block));
    }
};

TEST_F(PowerCutTest, AddKeepsEveryPictureReportedStored) {
    if (!m_ready)
        return;
    Cut("add", [&] {
        CPicdexDoc doc;
        ASSERT_TRUE(doc.Database().OpenDatabase(File("db"), false) && doc.GoTop());
        CReportingAddDialogs dialogs;
        dialogs.m_saveAll = true;
        for (const char* file :
             {"jpeg/vips-sample.jpg", "gif/gifgrid.gif", "bmp/bmpsuite-pal4.bmp"})
            dialogs.m_files.push_back({CorpusFolder() + file, {"cut"}});
        CAddPictures command(doc, dialogs, dialogs, false);
        command.AddPictures();
        ASSERT_EQ(command.Failures(), 0);
    });
}

TEST_F(PowerCutTest, CommandsOnMarkedRecordsLoseNoPicture) {
    if (!m_ready)
        return;
    const std::vector<std::string> marked = {"treescap.gif", "testorig.jpg", "palette-1c-4b.tiff"};
    Cut("delete",
        [&] {
            CMarkedDocument doc;
            ASSERT_TRUE(OpenAndMark(doc, {"bmpsuite-pal8.bmp"}));
            m_prompt.PushAnswer(true);
            doc.commands.DeleteMarked();
        },
        {"bmpsuite-pal8.bmp"});
    Cut("keywords", [&] {
        CMarkedDocument doc;
        ASSERT_TRUE(OpenAndMark(doc, marked));
        doc.ui.m_keyword = "Night";
        EXPECT_GT(doc.commands.KeywordOnMarked(), 0);
    });
    Cut("transfer", [&] {
        CMarkedDocument doc;
        ASSERT_TRUE(OpenAndMark(doc, marked));
        doc.ui.m_path = File("other.PXM");
        EXPECT_GT(doc.commands.TransferMarked(), 0);
    });
}

TEST_F(PowerCutTest, ExchangeAndReconstructionsLoseNoPicture) {
    if (!m_ready)
        return;
    Cut("exchange", [&] {
        CPictureDatabase db;
        ASSERT_TRUE(db.OpenDatabase(File("db"), false));
        CScriptedExchange exchange(File("other.PXM"));
        EXPECT_GT(DataExchange(db, exchange, exchange), 0);
    });
    Cut("index reconstruction", [&] { Reconstruct(ReconstructChoice::index); });
    Cut("main reconstruction", [&] { Reconstruct(ReconstructChoice::main); });
}

} // namespace
