// Folder listings with what each entry is, and folders made on demand.
#include "platform/PathInfo.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace {

class PathInfoTest : public CTempDirTest {};

TEST_F(PathInfoTest, ListingNamesEveryEntryWithWhatItIs) {
    WriteFileBytes(File("a.jpg"), "abc");
    std::filesystem::create_directory(File("b"));
    std::vector<FolderEntry> entries;
    for (const std::string& folder :
         {m_temp.Path(), m_temp.Path().substr(0, m_temp.Path().size() - 1)}) {
        ASSERT_TRUE(ListFolder(folder, entries)) << folder;
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& x, const FolderEntry& y) { return x.name < y.name; });
        ASSERT_EQ(entries.size(), 2u) << folder;
        EXPECT_EQ(std::tie(entries[0].name, entries[0].info.kind, entries[0].info.size),
                  std::tuple("a.jpg", PathKind::regular, 3));
        EXPECT_EQ(std::tie(entries[1].name, entries[1].info.kind),
                  std::tuple("b", PathKind::folder));
    }
    EXPECT_FALSE(ListFolder(File("none"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(PathInfoTest, MakeFoldersMakesEveryMissingParent) {
    EXPECT_TRUE(MakeFolders(File("x/y/z/")));
    EXPECT_EQ(GetPathInfo(File("x/y/z")).kind, PathKind::folder);
    EXPECT_TRUE(MakeFolders(File("x/y"))) << "an existing folder";
    EXPECT_TRUE(CanWriteInFolder(File("x/y/z")));
    WriteFileBytes(File("file"), "1");
    EXPECT_FALSE(MakeFolders(File("file/sub")));
    EXPECT_FALSE(MakeFolders(File("file")));
    EXPECT_FALSE(CanWriteInFolder(File("none")));
}

} // namespace
