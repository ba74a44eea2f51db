// File search with patterns and letter-case-blind names, and free space.
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <filesystem>

namespace {

class FileSystemTest : public CTempDirTest {
protected:
    void SetUp() override {
        WriteFileBytes(File("Holiday.PXM"), "0123456789");
        WriteFileBytes(File("notes.txt"), "abc");
        std::filesystem::create_directory(File("sub.d"));
    }
};

TEST_F(FileSystemTest, FileExistsIgnoresLetterCaseAndMatchesPatterns) {
    for (const char* name : {"holiday.pxm", "HOLIDAY.Pxm", "*.pxm", "?oliday.*", "*.*", "*",
                             "sub.d", "sub.d/", "SUB.D", "*.D"})
        EXPECT_TRUE(FileExists(File(name))) << name;
    for (const char* name : {"Holiday.PXI", "*.gif", "holiday", "Holiday.PXM?", "nodir/*.*"})
        EXPECT_FALSE(FileExists(File(name))) << name;
}

TEST_F(FileSystemTest, CheckFreeSpace) {
    EXPECT_TRUE(CheckFreeSpace("//server/share/pics.PXM", UINT64_MAX)) << "network paths pass";
    EXPECT_TRUE(CheckFreeSpace(File("not/yet/made.PXM"), 1)) << "the nearest existing folder";
    EXPECT_FALSE(CheckFreeSpace(File("Holiday.PXM"), UINT64_MAX));
    EXPECT_FALSE(CheckFreeSpace(File("Holiday.PXM"), std::uint64_t{1} << 62));
}

} // namespace
