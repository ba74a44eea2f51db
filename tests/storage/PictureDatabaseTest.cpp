// CPictureDatabase opening: a missing main file is created only after the user agrees.
// What records and their entries look like in the files is checked against the format
// writer in FormatInteropTest.
#include "storage/PictureDatabase.h"

#include "support/AddPicture.h"

#include <filesystem>

namespace {

using PictureDatabaseTest = CTempDirTest;

TEST_F(PictureDatabaseTest, IndexWithoutMainAsksBeforeCreatingTheMainFile) {
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("pics.PXM"), true), 1);
        AddPicture(db, "/photos/a.jpg", PatternBytes(100));
    }
    std::filesystem::remove(File("pics.PXM"));
    CPictureDatabase refused;
    EXPECT_EQ(refused.OpenDatabase(File("pics.PXI"), false), 0);
    EXPECT_FALSE(std::filesystem::exists(File("pics.PXM")));

    m_prompt.PushAnswer(true);
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics.PXI"), false), 1);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, "File not found. Create?"));
    EXPECT_EQ(FileLength(File("pics.PXM")), 2048);
    EXPECT_EQ(db.Index().EntryCount(), 3) << "the old index is opened with the new main file";
}

} // namespace
