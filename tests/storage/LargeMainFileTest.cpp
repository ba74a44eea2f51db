// A main file past 2 GiB: the same format, its records read, checked, exported and
// reconstructed like any other. Sparse gaps bring the file there without writing 2 GiB.
#include "storage/DatabaseCheck.h"
#include "storage/PictureExport.h"
#include "support/AddPicture.h"
#include "support/NoProgress.h"

namespace {

constexpr std::int64_t twoGiB = std::int64_t{1} << 31;

// Extends the main file with zero blocks (never written, so no disk is used) to length.
void GrowSparse(const std::string& path, std::int64_t length) {
    CFile raw;
    ASSERT_TRUE(raw.Open(path, CFile::modeReadWrite));
    raw.SetLength(length);
}

class LargeMainFileTest : public CTempDirTest {};

TEST_F(LargeMainFileTest, RecordsPastTwoGigabytesReadCheckExportAndReconstruct) {
    const std::string base = File("big");
    // A record below the mark, one whose chain crosses it and one whose head lies past it.
    const std::vector<std::vector<std::uint8_t>> pictures = {
        PatternBytes(3000, 1), PatternBytes(9000, 2), PatternBytes(5000, 3)};
    std::vector<std::int32_t> heads;
    std::string mainPath;
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(base, true), 1);
        mainPath = db.GetMainPath();
        for (std::size_t r = 0; r < pictures.size(); ++r) {
            if (r == 1) {
                db.Close();
                GrowSparse(mainPath, twoGiB - 2 * 2048);
                ASSERT_EQ(db.OpenDatabase(base, false), 1);
            }
            heads.push_back(AddPicture(db, "/in/p" + std::to_string(r) + ".jpg", pictures[r]));
        }
        ASSERT_EQ(std::int64_t{heads[1]} * 2048, twoGiB - 2 * 2048);
        ASSERT_GT(std::int64_t{heads[2]} * 2048, twoGiB);
        for (std::size_t r = 0; r < pictures.size(); ++r)
            EXPECT_TRUE(ReadsBack(db, heads[r], pictures[r])) << r;

        ASSERT_EQ(db.LocateRecord(heads[2]), 1);
        ASSERT_EQ(WriteCurrentPicture(db, File("out.jpg"), false), 1);
        EXPECT_EQ(ReadFileBytes(File("out.jpg")), pictures[2]);
    }
    const DatabaseCheckResult check = CheckDatabase(base, false);
    EXPECT_TRUE(check.Clean()) << Joined(check.problems);
    EXPECT_EQ(check.records, 3);

    LiveRecords expected;
    for (std::size_t r = 0; r < pictures.size(); ++r)
        ++expected[{"p" + std::to_string(r) + ".jpg", pictures[r]}];
    ASSERT_EQ(LivePictures(base), expected);

    CNoProgress progress;
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(base, false), 1);
        ASSERT_EQ(BuildIndexFromMain(db, TemporaryIndexPath(mainPath), progress), 1);
    }
    ASSERT_EQ(CompletePendingReconstruction(mainPath), 1);
    EXPECT_EQ(LivePictures(base), expected) << "index rebuilt from a main file past 2 GiB";

    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(base, false), 1);
        ASSERT_EQ(BuildMainCopy(db, TemporaryMainBasePath(mainPath) + ".PXM", progress), 1);
    }
    ASSERT_EQ(CompletePendingReconstruction(mainPath), 1);
    EXPECT_EQ(LivePictures(base), expected) << "main file copied from one past 2 GiB";
    EXPECT_LT(FileLength(mainPath), 64 * 2048) << "the copy holds the records only";
}

} // namespace
