// Durable changes: every change of a database ends with one sync of each file it wrote,
// the main file before the index; a failed sync fails the change with one message; the
// reconstruction syncs its new files and the folder of its renames; a thumbnail's head is
// written after its chain. The syncs are observed through the fault-injection counts.
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "storage/CommitBatch.h"
#include "storage/Reconstruction.h"
#include "support/AddPicture.h"
#include "support/NoProgress.h"

#include <functional>

namespace {

using FaultInjection::CScopedFault;
using FaultInjection::Fault;
using FaultInjection::Operation;

// Bytes of a picture whose chain takes exactly `blocks` data blocks.
std::size_t BytesForBlocks(int blocks) {
    return static_cast<std::size_t>(blocks - 1) * MainFormat::payloadSize + 100;
}

class DurabilityTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_db.OpenDatabase(File("pics"), true), 1); }
    void TearDown() override { FaultInjection::Disarm(); }

    // Adds a picture and returns its head block, -1 when the add fails.
    std::int32_t Add(CPictureDatabase& db, std::size_t size, unsigned seed) {
        return AddPicture(db, "/in/p" + std::to_string(seed) + ".jpg", PatternBytes(size, seed), {},
                          1000);
    }
    // The syncs op does, every operation counted.
    std::uint64_t SyncsOf(const std::function<void()>& op) {
        CScopedFault counting(Operation::sync, 0, Fault::ioError);
        op();
        return FaultInjection::Count(Operation::sync);
    }

    CPictureDatabase m_db;
};

TEST_F(DurabilityTest, EveryChangeSyncsEachFileItWroteOnceNotEveryBlock) {
    std::int32_t record = -1;
    EXPECT_EQ(SyncsOf([&] { record = Add(m_db, BytesForBlocks(40), 1); }), 2u);
    ASSERT_GE(record, 1);
    // A thumbnail and a password live in the main file only, a deletion in the index only.
    EXPECT_EQ(SyncsOf([&] { StoreThumbnail(m_db, record, PatternBytes(5000, 2)); }), 1u);
    EXPECT_EQ(SyncsOf([&] { m_db.SetPassword("pw"); }), 1u);
    CRecordHead head, changed;
    ASSERT_EQ(m_db.ReadHead(head, record), 1);
    changed = head;
    changed.SetKeyword(0, "sea");
    EXPECT_EQ(SyncsOf([&] { EXPECT_EQ(m_db.ChangeKeywords(record, head, changed), 1); }), 2u);
    // Each copied record and its thumbnail are one change.
    CPictureDatabase target;
    EXPECT_EQ(SyncsOf([&] { EXPECT_EQ(target.OpenDatabase(File("target"), true), 1); }), 3u)
        << "both new files and their folder";
    EXPECT_EQ(SyncsOf([&] {
                  for (int copy = 0; copy < 3; ++copy)
                      EXPECT_EQ(m_db.CopyRecord(record, target), 1);
              }),
              6u);
    // Changes in a batch share one pair of syncs, at its end.
    EXPECT_EQ(SyncsOf([&] {
                  CCommitBatch batch(target, CCommitBatch::whole);
                  for (int copy = 0; copy < 3; ++copy)
                      EXPECT_EQ(m_db.CopyRecord(record, target), 1);
                  EXPECT_EQ(FaultInjection::Count(Operation::sync), 0u);
              }),
              2u);

    EXPECT_EQ(SyncsOf([&] { EXPECT_EQ(m_db.DeleteRecord(record, changed), 1); }), 1u);

    // Reading, or committing nothing, syncs nothing; a read-only instance never syncs.
    CPictureDatabase reader;
    ASSERT_EQ(reader.OpenDatabase(File("pics"), false), 1);
    EXPECT_EQ(SyncsOf([&] {
                  CMemFile picture;
                  EXPECT_EQ(m_db.ReadPicture(picture, record, head), 1);
                  EXPECT_EQ(m_db.Commit(), 1);
                  EXPECT_EQ(reader.ReadPicture(picture, record, head), 1);
                  EXPECT_EQ(reader.Commit(), 1);
              }),
              0u);
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(DurabilityTest, MainFileIsSyncedBeforeTheIndexAndAFailedSyncIsRetried) {
    // The file whose sync failed keeps the error. (A failed add is taken back, so a change
    // that stays written is the one that fails here.)
    const std::int32_t record = Add(m_db, 500, 1);
    CRecordHead head;
    ASSERT_EQ(m_db.ReadHead(head, record), 1);
    for (std::uint64_t nth : {1, 2}) {
        CRecordHead changed = head;
        changed.SetKeyword(0, "k" + std::to_string(nth));
        CScopedFault failing(Operation::sync, nth, Fault::ioError);
        EXPECT_EQ(m_db.ChangeKeywords(record, head, changed), 0);
        head = changed;
        EXPECT_EQ(m_db.Main().GetLastError(), nth == 1 ? FileCause::hardIO : 0);
        EXPECT_EQ(m_db.Index().GetLastError(), nth == 2 ? FileCause::hardIO : 0);
    }
    // The index was left unsynced by the second failure: the next commit syncs it alone.
    EXPECT_EQ(SyncsOf([&] { EXPECT_EQ(m_db.Commit(), 1); }), 1u);
}

// The changes the fault tests do not sweep (adds, keyword changes, copies and deletions
// are swept there).
TEST_F(DurabilityTest, FailedSyncFailsTheChangeWithOneMessage) {
    const std::int32_t record = Add(m_db, 3000, 1);
    const std::function<int()> changes[] = {
        [&] { return StoreThumbnail(m_db, record, PatternBytes(900, 3)); },
        [&] { return m_db.SetThumbnail(nullptr, record, false); },
        [&] { return m_db.SetPassword("x"); },
    };
    for (std::size_t k = 0; k < std::size(changes); ++k) {
        m_prompt.Clear();
        CScopedFault failing(Operation::sync, 1, k % 2 ? Fault::noSpace : Fault::ioError);
        EXPECT_EQ(changes[k](), 0) << "change " << k;
        EXPECT_EQ(m_prompt.Texts(),
                  std::vector<std::string>{k % 2 ? "Disk full" : "Hardware failure"})
            << "change " << k;
    }
}

TEST_F(DurabilityTest, ReconstructionSyncsItsNewFilesAndTheFolderOfItsRenames) {
    for (unsigned seed = 1; seed <= 3; ++seed)
        ASSERT_GE(Add(m_db, 3000, seed), 1);
    const std::string mainPath = m_db.GetMainPath();
    CNoProgress progress;
    EXPECT_EQ(SyncsOf([&] { BuildIndexFromMain(m_db, TemporaryIndexPath(mainPath), progress); }),
              1u);
    // Created (two files, the folder), the password, one pair for all the copied records.
    EXPECT_EQ(
        SyncsOf([&] { BuildMainCopy(m_db, TemporaryMainBasePath(mainPath) + ".PXM", progress); }),
        3u + 1u + 2u);
    m_db.Close();
    EXPECT_EQ(SyncsOf([&] { EXPECT_EQ(CompletePendingReconstruction(mainPath), 1); }), 1u);

    // The four renames are synced before the old files go: when that fails, they stay.
    m_prompt.Clear();
    {
        CScopedFault failing(Operation::sync, 1, Fault::ioError);
        EXPECT_EQ(CompletePendingReconstruction(mainPath), 0);
        EXPECT_EQ(FaultInjection::Count(Operation::rename), 4u);
    }
    EXPECT_TRUE(m_prompt.Saw("Hardware failure"));
    EXPECT_TRUE(FileExists(File("pics.px1")));
    EXPECT_TRUE(FileExists(File("pics.px2")));
}

// Whatever write of a thumbnail fails, the head never names a chain that is not complete.
TEST_F(DurabilityTest, ThumbnailHeadIsWrittenAfterItsChain) {
    const std::int32_t record = Add(m_db, 3000, 1);
    const auto bytes = PatternBytes(BytesForBlocks(3), 7);
    for (Fault fault : {Fault::ioError, Fault::shortWrite}) {
        for (std::uint64_t nth = 1; nth <= 3; ++nth) {
            FaultInjection::Arm(Operation::write, nth, fault);
            EXPECT_EQ(StoreThumbnail(m_db, record, bytes), nth == 3 ? 1 : 0) << "write " << nth;
            EXPECT_EQ(FaultInjection::Fired(), nth < 3) << "the chain's blocks, then the head";
            FaultInjection::Disarm();
            CRecordHead head;
            ASSERT_EQ(m_db.ReadHead(head, record), 1);
            if (head.ThumbnailBlock() == 0)
                continue;
            CMemFile back;
            ASSERT_EQ(m_db.ReadThumbnail(back, head), 1) << "write " << nth;
            EXPECT_TRUE(std::ranges::equal(back.Data(), bytes)) << "write " << nth;
            head.SetThumbnailBlock(0);
            ASSERT_EQ(m_db.WriteHead(head, record), 1);
        }
    }
}

} // namespace
