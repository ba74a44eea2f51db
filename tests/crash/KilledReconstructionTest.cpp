// picdex-cli's reconstruction killed right before each of a spread of its file changes,
// from the first block of the new files to the last rename of the swap. After the next
// open by path (which installs a finished reconstruction) and the usual recovery, the
// database must hold exactly the pictures it held before, readable: the old files or the
// complete new ones, never a build cut short.
#include "crash/ChildProcess.h"
#include "crash/CrashRecovery.h"

#include "platform/MemFile.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "support/AddPicture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

namespace {

using Clock = CChildProcess::Clock;
using Pictures = LiveRecords;

class KilledReconstructionTest : public CTempDirTest {
protected:
    void SetUp() override {
        const std::string data = TestDataDir();
        if (data.empty())
            return;
        if (!CChildProcess::CanTrace())
            GTEST_SKIP() << "this machine does not let a test trace a child's system calls";
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("original.PXM"), true), 1);
        std::int32_t deleted = -1;
        for (const char* name : {"jpeg/testorig.jpg", "gif/cat.gif", "photos/Dune-704x440.jpg",
                                 "bmp/testimg.bmp", "gif/cat.gif", "tiff/oxford.tif"}) {
            CMemFile bytes;
            std::uint16_t crc = 0;
            ASSERT_EQ(CPictureDatabase::ComputeCrc(bytes, data + name, crc), 1);
            ASSERT_EQ(db.AddRecord(bytes, crc, name, 0, 1, 1, {"Harbour", "", "", "", "", ""}), 1);
            CIndexEntry last;
            ASSERT_TRUE(db.Index().ReadEntry(last, db.Index().GetLastInserted()));
            deleted = deleted < 0 ? last.record : deleted;
        }
        CRecordHead head;
        ASSERT_TRUE(db.ReadHead(head, deleted));
        ASSERT_TRUE(db.DeleteRecord(deleted, head));
        m_main = ReadFileBytes(File("original.PXM"));
        m_index = ReadFileBytes(File("original.PXI"));
        m_live = LivePictures(File("original.PXM"));
        ASSERT_EQ(m_live.size(), 4u) << "five records live, two of them the same picture";
    }

    // A fresh copy of the original database; its main file's path.
    std::string Copy(const std::string& name) {
        WriteFileBytes(File(name + ".PXM"), m_main);
        WriteFileBytes(File(name + ".PXI"), m_index);
        return File(name + ".PXM");
    }

    // Runs `reconstruct` on a copy and kills it right before its changes-th change to a
    // file (never, for INT_MAX); the number of changes it made or was about to make.
    int RunAndKill(const std::string& path, const char* which, int changes) {
        CChildProcess child;
        EXPECT_TRUE(
            child.Start(PICDEX_CLI_PATH, {"reconstruct", path, which}, File("stderr.txt"), true));
        if (child.RunToChange(0, changes, Clock::now() + std::chrono::seconds(60)))
            child.Kill();
        EXPECT_FALSE(child.TimedOut());
        EXPECT_TRUE(child.Wait(Clock::now() + std::chrono::seconds(60)));
        EXPECT_TRUE(child.WasKilled() || child.ExitStatus() == 0);
        return child.ChangesSeen();
    }

    // Kills the reconstruction at a spread of points and recovers after each: every
    // picture must be there as before, or as after a finished reconstruction (after).
    void KillAtEveryStage(const char* which, const Pictures& after) {
        const int total = RunAndKill(Copy("full"), which, INT_MAX);
        ASSERT_GT(total, 3);
        EXPECT_EQ(LivePictures(File("full.PXM")), after) << "the unkilled run";
        std::set<int> points;
        for (int k = 1; k <= 10; ++k)
            points.insert(std::max(1, total * k / 11));
        for (int k = std::max(1, total - 8); k <= total; ++k)
            points.insert(k); // the renames and removals of the swap
        for (int point : points) {
            const std::string path = Copy("kill" + std::to_string(point));
            RunAndKill(path, which, point);
            const CrashRecovery recovery = RecoverAfterKill(path, m_temp.Path());
            EXPECT_TRUE(recovery.finalCheck.Clean()) << which << " killed at change " << point;
            const Pictures now = LivePictures(path);
            EXPECT_TRUE(now == m_live || now == after)
                << which << " killed at change " << point << " of " << total;
        }
    }

    std::vector<std::uint8_t> m_main, m_index;
    Pictures m_live;
};

TEST_F(KilledReconstructionTest, KilledMainFileRebuildLeavesTheOldOrTheWholeNewDatabase) {
    if (!m_main.empty())
        KillAtEveryStage("--main", m_live);
}

TEST_F(KilledReconstructionTest, KilledIndexRebuildLeavesTheOldOrTheWholeNewIndex) {
    if (m_main.empty())
        return;
    // A rebuilt index brings the deleted record back.
    Pictures after = m_live;
    const std::string data = TestDataDir();
    ++after[{"testorig.jpg", ReadFileBytes(data + "jpeg/testorig.jpg")}];
    KillAtEveryStage("--index", after);
}

} // namespace
