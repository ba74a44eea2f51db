// The Reconstruct command on a real database of one record (blocks 0 to 3), the fixture
// answering its dialogs: both builds handed over and swapped in by the next open, cancel,
// closing without Start, and the Control variant (taken when m_savePath is set).
#include "collection/ReconstructCommand.h"
#include "platform/FileSystem.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

namespace {

class ReconstructCommandTest : public CTempDirTest,
                               public IReconstructDialogs,
                               public IApplicationHost,
                               public IReconstructionProgress {
protected:
    void SetUp() override {
        CMemFile bytes;
        FillMemFile(bytes, PatternBytes(3000));
        ASSERT_TRUE(m_db.OpenDatabase(Main(), true) &&
                    m_db.AddRecord(bytes, UpdateCrc16(0, PatternBytes(3000)), "p", 0, 1, 1, {}));
    }
    ReconstructChoice AskReconstruction() override { return m_choice; }
    bool IsControlKeyDown() override { return !m_savePath.empty(); }
    int RunBuild(ReconstructChoice, const Build& build) override { return m_start && build(*this); }
    void Step(int32_t d, int32_t t) override { m_step = ReconstructProgressText(d, t); }
    bool AskSavePath(const CSaveFileRequest& asked, std::string& path) override {
        return m_log += asked.initialFolder + asked.filter, path = m_savePath, true;
    }
    void OpenByPath(const std::string& path) override { m_log = " open " + path; }
    void CloseMainWindow() override { m_log += " close"; }

    std::string Main() const { return File("db.PXM"); }
    int Run(ReconstructChoice choice) { return m_choice = choice, m_command.Run(); }

    CPictureDatabase m_db;
    CMemorySettings m_settings;
    CReconstructCommand m_command{m_db, *this, *this, m_settings};
    ReconstructChoice m_choice{};
    bool m_start = true;
    std::string m_savePath, m_log, m_step;
};

TEST_F(ReconstructCommandTest, BothBuildsAreHandedOverAndSwappedInByTheNextOpen) {
    for (ReconstructChoice choice : {ReconstructChoice::index, ReconstructChoice::main}) {
        ASSERT_EQ(Run(choice), 1);
        EXPECT_EQ(m_log, " open " + Main() + " close");
        m_db.Close();
        ASSERT_EQ(CompletePendingReconstruction(Main()), 1);
        EXPECT_FALSE(FileExists(File("db.PXM%*")));
        ASSERT_TRUE(m_db.OpenDatabase(Main(), false));
    }
    EXPECT_EQ(m_step, "3 / 3"); // the main file's build counts index entries
}

TEST_F(ReconstructCommandTest, CancelAndCloseBuildNothingAndControlNeverOverwrites) {
    for (const char* name : {"db.PXM%$I.pxi", "db.PXM%$%.pxm", "db.PXM%$%.PXI"})
        WriteFileBytes(File(name), "left over");
    EXPECT_EQ(Run(ReconstructChoice::cancel), 0);
    m_start = false;
    EXPECT_EQ(Run(ReconstructChoice::index) + Run(ReconstructChoice::main), 0);
    EXPECT_FALSE(FileExists(File("db.PXM%*"))); // temporaries removed, whatever their case

    m_start = true;
    m_settings.WriteProfileString("Options", "OpenPath", "/pics/");
    m_savePath = File("copy.PXM");
    ASSERT_EQ(Run(ReconstructChoice::main), 1);
    EXPECT_EQ(m_log, "/pics/Picdex|*.PXM||"); // not handed over
    EXPECT_EQ(m_prompt.Texts().back(), "Reconstruction completed.  " + m_savePath + " is created.");
    // The chosen file, or a pair that the chosen name would open, is never written to.
    for (const char* name : {"copy.PXM", "db.bak"}) {
        m_savePath = File(name);
        EXPECT_EQ(Run(ReconstructChoice::main), 0);
        EXPECT_EQ(m_prompt.Texts().back(), "File already exists. Cannot overwrite.");
    }
    EXPECT_EQ(FileLength(File("copy.PXM")) + FileLength(Main()), 8 * 2048);
}

} // namespace
