// What a path names, folder listings and folders made on demand.
#include "platform/PathInfo.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class PathInfoTest : public CTempDirTest {};

TEST_F(PathInfoTest, KindsAndSizesFollowLinksUnlessAsked) {
    WriteFileBytes(File("ten.bin"), "0123456789");
    std::filesystem::create_directory(File("sub"));
    std::filesystem::create_symlink(File("gone"), File("dangling"));
    std::filesystem::create_symlink(File("ten.bin"), File("link"));
    struct Case {
        const char* name;
        bool follow;
        PathKind kind;
        std::int64_t size;
    };
    for (const Case& c :
         {Case{"ten.bin", true, PathKind::regular, 10}, Case{"sub", true, PathKind::folder, 0},
          Case{"sub/", true, PathKind::folder, 0}, Case{"none", true, PathKind::missing, 0},
          Case{"ten.bin/x", true, PathKind::missing, 0}, Case{"link", true, PathKind::regular, 10},
          Case{"link", false, PathKind::other, 0}, Case{"dangling", true, PathKind::missing, 0},
          Case{"dangling", false, PathKind::other, 0}}) {
        const PathInfo info = GetPathInfo(File(c.name), c.follow);
        EXPECT_EQ(info.kind, c.kind) << c.name << " " << c.follow;
        EXPECT_EQ(info.size, c.size) << c.name << " " << c.follow;
    }
    EXPECT_EQ(GetPathInfo("/dev/null").kind, PathKind::other);
    EXPECT_TRUE(PathExists(File("dangling"), false));
    EXPECT_FALSE(PathExists(File("dangling")));
}

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
        EXPECT_EQ(entries[0].name, "a.jpg");
        EXPECT_EQ(entries[0].info.kind, PathKind::regular);
        EXPECT_EQ(entries[0].info.size, 3);
        EXPECT_EQ(entries[1].name, "b");
        EXPECT_EQ(entries[1].info.kind, PathKind::folder);
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
