// Both reconstructions on a failing disk. A failed build leaves the database byte for byte
// as it was and no temporary file behind; a successful one is swapped in by the next open.
// The swap itself, with a rename or a sync failing, leaves either the old database or the
// new one in place, never a mixture, and the next open finishes it.
#include "collection/ReconstructCommand.h"
#include "collection/VerifyDatabase.h"
#include "faults/FaultFixtures.h"
#include "platform/FileSystem.h"
#include "storage/PictureDatabase.h"
#include "support/ScriptedReconstruction.h"

#include <filesystem>

namespace {

class ReconstructFaultTest : public CPreparedFaultTest {
protected:
    void SetUp() override { m_ready = UsePrepared({"db"}); }

    std::string Main() const { return File("db.PXM"); }
    bool TemporaryFilesExist() const { return FileExists(File("db.PXM%*")); }
    bool Holds(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return ReadFileBytes(File(name)) == bytes;
    }

    bool Build(CFaultRun& run) {
        CPictureDatabase db;
        if (!db.OpenDatabase(File("db"), false))
            return false;
        CMemorySettings settings;
        CReconstructCommand command(db, m_dialogs, m_dialogs, settings);
        m_dialogs.m_opened.clear();
        CArmedFault armed(run);
        return command.Run() == 1;
    }

    // The live records of the prepared database are in the database now, whole, and it is
    // clean; with the main file kept, so are the deleted ones.
    void ExpectRebuilt(bool mainKept) {
        const CDatabaseState before = Prepared("db");
        const CDatabaseState after = ReadDatabaseState(File("db"));
        EXPECT_TRUE(after.reader.IsClean()) << after.reader.Report();
        EXPECT_TRUE(VerifyDatabase(Main(), false).Clean());
        EXPECT_EQ(after.live.size(),
                  mainKept ? before.reader.Records().size() : before.live.size());
        for (const CFormatReader::Record& record : before.reader.Records()) {
            if (!mainKept && !before.IsLive(record.block))
                continue;
            const std::int32_t block = after.Named(record.fileName);
            const CFormatReader::Record* now = after.Find(block);
            ASSERT_TRUE(now && after.IsLive(block)) << record.fileName << " is missing";
            EXPECT_TRUE(now->picture == record.picture && now->keywords == record.keywords &&
                        now->thumbnail == record.thumbnail)
                << record.fileName << " is not the same";
        }
    }

    void SweepBuild(ReconstructChoice choice, std::uint64_t stride) {
        m_dialogs.m_choice = choice;
        const bool index = choice == ReconstructChoice::index;
        SweepDisk(
            index ? "index reconstruction" : "main reconstruction", stride, stride,
            [&](CFaultRun& run) { return Build(run); },
            [&](const CFaultRun&, bool success, const std::vector<CDatabaseAfter>&) {
                if (!success) {
                    EXPECT_FALSE(TemporaryFilesExist());
                    EXPECT_TRUE(IsPrepared("db")) << "a failed build changed the database";
                    EXPECT_TRUE(m_dialogs.m_opened.empty());
                    return;
                }
                EXPECT_EQ(m_dialogs.m_opened, Main());
                CScriptedPrompt quiet;
                CScopedPrompt scope(quiet);
                ASSERT_EQ(CompletePendingReconstruction(Main()), 1);
                ExpectRebuilt(index);
            });
    }

    // Builds once without a fault and has the database with its finished build copied
    // before each run of the swap.
    void StageSwap(ReconstructChoice choice) {
        if (!m_stagedNames.empty())
            return;
        m_dialogs.m_choice = choice;
        CFaultRun clean;
        ASSERT_TRUE(Build(clean));
        ASSERT_TRUE(TemporaryFilesExist());
        ClearCopiedFiles();
        for (const auto& entry : std::filesystem::directory_iterator(m_temp.Path())) {
            const std::string name = entry.path().filename().string();
            const std::string staged = m_staged.File(name);
            std::filesystem::copy_file(entry.path(), staged);
            AddCopiedFile(staged, File(name));
            m_stagedNames.push_back(name);
        }
    }

    // The file of the staged build that becomes db's file named by extension.
    std::vector<std::uint8_t> NewFile(const std::string& extension) const {
        for (const std::string& name : m_stagedNames) {
            if (name.find('%') == std::string::npos)
                continue;
            const bool index = name.back() == 'i' || name.back() == 'I';
            if (index == (extension == "PXI"))
                return ReadFileBytes(m_staged.File(name));
        }
        return {};
    }
    bool IsNew(bool indexOnly) const {
        return Holds("db.PXI", NewFile("PXI")) &&
               (indexOnly ? Holds("db.PXM", PreparedBytes("db.PXM"))
                          : Holds("db.PXM", NewFile("PXM")));
    }

    // Every rename and every sync of the swap fails in turn.
    void SweepSwap(ReconstructChoice choice) {
        StageSwap(choice);
        AllowMessages({"Finished reconstructing file."});
        const bool index = choice == ReconstructChoice::index;
        for (Operation operation : {Operation::rename, Operation::sync})
            Sweep(
                index ? "index swap" : "main swap", operation, {{Fault::ioError}},
                [&](CFaultRun& run) {
                    CArmedFault armed(run);
                    return CompletePendingReconstruction(Main()) == 1;
                },
                [&](const CFaultRun&, bool success, const std::vector<CDatabaseAfter>&) {
                    EXPECT_TRUE(IsNew(index) || (!success && IsPrepared("db")))
                        << "the database files are neither the old nor the new ones";
                    CScriptedPrompt quiet;
                    CScopedPrompt scope(quiet);
                    {
                        CPictureDatabase db;
                        EXPECT_EQ(db.OpenDatabase(File("db"), false), 1);
                    }
                    // The next open finishes what was left.
                    EXPECT_EQ(CompletePendingReconstruction(Main()), 1);
                    EXPECT_TRUE(IsNew(index));
                    EXPECT_FALSE(TemporaryFilesExist());
                    ExpectRebuilt(index);
                });
    }

    bool m_ready = false;
    CScriptedReconstruction m_dialogs;
    CTempDir m_staged;
    std::vector<std::string> m_stagedNames;
};

TEST_F(ReconstructFaultTest, AFailedIndexBuildLeavesTheDatabaseAsItWas) {
    if (!m_ready)
        return;
    SweepBuild(ReconstructChoice::index, 1);
}

TEST_F(ReconstructFaultTest, AFailedMainBuildLeavesTheDatabaseAsItWas) {
    if (!m_ready)
        return;
    SweepBuild(ReconstructChoice::main, 6);
}

TEST_F(ReconstructFaultTest, TheIndexSwapInstallsTheNewIndexOrKeepsTheOld) {
    if (!m_ready)
        return;
    SweepSwap(ReconstructChoice::index);
}

TEST_F(ReconstructFaultTest, TheMainSwapInstallsTheNewPairOrKeepsTheOld) {
    if (!m_ready)
        return;
    SweepSwap(ReconstructChoice::main);
}

} // namespace
