// The bulk index builder against one-by-one insertion, a swap cut before its last rename,
// and writing stored pictures back out. Rebuilds and swaps under faults and kills are in
// the fault and crash tests.
#include "storage/Reconstruction.h"
#include "platform/FileSystem.h"
#include "storage/IndexBuilder.h"
#include "storage/PictureExport.h"
#include "support/AddPicture.h"

#include <random>
#include <sys/stat.h>

namespace {

class CCountingProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t done, std::int32_t total) override {
        EXPECT_LE(done, total);
        ++m_steps;
    }
    int m_steps = 0;
};

class ReconstructionTest : public CTempDirTest {
protected:
    // Adds count records with names, dates and keywords that collide in every family.
    void Fill(CPictureDatabase& db, int count, unsigned seed) {
        std::mt19937 rng(seed);
        const char* words[] = {"cat", "Cat", "sea", "zoo", "Tree"};
        for (int r = 0; r < count; ++r) {
            const std::vector<std::uint8_t> bytes = PatternBytes(rng() % 3000, seed + r);
            CPictureDatabase::Keywords keywords;
            for (int k = 0; k < static_cast<int>(rng() % 4); ++k)
                keywords[static_cast<std::size_t>(k)] = words[rng() % 5];
            std::string name = (rng() % 2 ? "IMG_" : "img_") + std::to_string(rng() % 40) + ".JPG";
            ASSERT_GT(AddPicture(db, "/in/" + name, bytes, keywords, 1000, std::uint16_t(rng())),
                      0);
        }
    }
    CCountingProgress m_progress;
};

// The bulk builder must leave exactly the file that inserting one key at a time leaves,
// including the header's generation, counts and skip table after many rebuilds.
TEST_F(ReconstructionTest, BulkIndexEqualsInsertingOneByOne) {
    std::mt19937 rng(3);
    CIndexFile literal;
    ASSERT_TRUE(literal.Create(File("one.pxi")));
    CIndexBuilder builder;
    for (int i = 0; i < 6000; ++i) {
        // Mostly middle insertions, some below the first key and some at the end.
        int pick = static_cast<int>(rng() % 20);
        std::string key = pick == 0   ? "!" + std::string(1, static_cast<char>('0' + i % 10))
                          : pick == 1 ? "@~" + std::to_string(i)
                                      : "#" + std::to_string(rng() % 3000);
        CIndexEntry entry = NewEntry(key, i);
        ASSERT_TRUE(literal.InsertKey(entry, true));
        builder.Add(key, i);
    }
    literal.Close();
    EXPECT_EQ(ReadFileBytes(File("one.pxi")), builder.Build());
}

// A swap cut off between its last two renames (a crash) leaves the new main file in place
// and its index under the temporary name: the next open finishes the swap instead of
// giving the new main file an empty index.
TEST_F(ReconstructionTest, SwapCutBeforeItsLastRenameIsFinishedOnTheNextOpen) {
    {
        CPictureDatabase db;
        ASSERT_TRUE(db.OpenDatabase(File("db"), true));
        Fill(db, 5, 3);
        ASSERT_TRUE(
            BuildMainCopy(db, TemporaryMainBasePath(db.GetMainPath()) + ".PXM", m_progress));
    }
    const auto newIndex = ReadFileBytes(File("db.PXM%$%.PXI"));
    ASSERT_EQ(::rename(File("db.PXM").c_str(), File("db.px1").c_str()), 0);
    ASSERT_EQ(::rename(File("db.PXI").c_str(), File("db.px2").c_str()), 0);
    ASSERT_EQ(::rename(File("db.PXM%$%.PXM").c_str(), File("db.PXM").c_str()), 0);

    EXPECT_TRUE(CompletePendingReconstruction(File("db.PXM")));
    EXPECT_TRUE(m_prompt.Saw("Finished reconstructing file."));
    EXPECT_EQ(ReadFileBytes(File("db.PXI")), newIndex);
    EXPECT_FALSE(FileExists(File("db.PXM%$%.PXI")));
    EXPECT_FALSE(FileExists(File("db.px1")));
    EXPECT_FALSE(FileExists(File("db.px2")));

    CPictureDatabase db;
    ASSERT_TRUE(db.OpenDatabase(File("db.PXM"), false));
    int position = 0;
    db.Index().SetOrder(OrderFamily::fileName);
    ASSERT_TRUE(db.Index().GoFirst());
    EXPECT_EQ(db.CountRange(position, false), 5);
}

TEST_F(ReconstructionTest, WritesTheStoredBytesWithTheirTimeAndNeverOutsideTheFolder) {
    CPictureDatabase db;
    ASSERT_TRUE(db.OpenDatabase(File("db"), true));
    const auto picture = PatternBytes(5000, 9);
    CMemFile bytes;
    FillMemFile(bytes, picture);
    ASSERT_TRUE(
        db.AddRecord(bytes, UpdateCrc16(0, picture), "../../evil.jpg", 123456789, 1, 1, {}));
    ASSERT_TRUE(db.Index().GoTo(db.Index().GetLastInserted()));

    ASSERT_EQ(::mkdir(File("out").c_str(), 0700), 0);
    ASSERT_TRUE(WriteCurrentPictureInto(db, File("out/"), true));
    EXPECT_EQ(ReadFileBytes(File("out/evil.jpg")), picture);
    std::int32_t time = 0;
    ASSERT_TRUE(GetFileModTime(File("out/evil.jpg"), time));
    EXPECT_EQ(time, 123456789);

    // A head rewritten to name the parent folder is refused.
    CRecordHead head;
    const std::int32_t record = db.Index().GetCurrentRecord();
    ASSERT_TRUE(db.ReadHead(head, record));
    head.SetFileName("..");
    ASSERT_TRUE(db.WriteHead(head, record));
    EXPECT_FALSE(WriteCurrentPictureInto(db, File("out/"), false));
}

} // namespace
