// CFile (share modes, open errors, short reads), the errno to cause mapping and the
// growable memory file.
#include "platform/File.h"
#include "platform/MemFile.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

constexpr unsigned kWriteDenyWrite = CFile::modeReadWrite | CFile::shareDenyWrite;
constexpr unsigned kReadDenyNone = CFile::modeRead | CFile::shareDenyNone;

int CauseOf(auto&& op) {
    try {
        op();
    } catch (const CFileException& e) {
        return e.Cause();
    }
    return FileCause::none;
}

class FileTest : public CTempDirTest {};

TEST_F(FileTest, SecondWriterIsRefusedWithSharingViolationAndMayStillRead) {
    const std::string path = File("db.PXM");
    WriteFileBytes(path, "content");
    CFile writer, second, third;
    ASSERT_TRUE(writer.Open(path, kWriteDenyWrite));
    CFileException error;
    EXPECT_FALSE(second.Open(path, kWriteDenyWrite, &error));
    EXPECT_EQ(error.Cause(), FileCause::sharingViolation);
    EXPECT_STREQ(error.what(), "File sharing violation");

    // The fallback every caller takes: reading with deny-none.
    ASSERT_TRUE(second.Open(path, kReadDenyNone));
    char text[7] = {};
    EXPECT_EQ(second.Read(text, sizeof text), 7u);
    EXPECT_EQ(std::string_view(text, 7), "content");
    writer.Close();
    EXPECT_TRUE(third.Open(path, kWriteDenyWrite)) << "the lock must go with the close";
}

TEST_F(FileTest, OpenFailuresCarryTheirCause) {
    WriteFileBytes(File("plain"), "x");
    const struct {
        std::string path;
        unsigned flags;
        int cause;
    } cases[] = {
        {File("missing"), kReadDenyNone, FileCause::fileNotFound},
        {File("nofolder/x.PXM"), kWriteDenyWrite | CFile::modeCreate, FileCause::fileNotFound},
        {File("plain/x.PXM"), kReadDenyNone, FileCause::badPath},
        {File(std::string(5000, 'n')), kReadDenyNone, FileCause::badPath},
        {m_temp.Path(), kReadDenyNone, FileCause::accessDenied}, // a folder is not a file
    };
    for (const auto& c : cases) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.path, c.flags, &error));
        EXPECT_EQ(error.Cause(), c.cause) << c.path.substr(0, 80);
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST_F(FileTest, ReadsDeliverWhatIsLeftAndSeeksBeforeTheStartFail) {
    CFile file;
    ASSERT_TRUE(file.Open(File("f"), kWriteDenyWrite | CFile::modeCreate));
    file.Write("abcdef", 6);
    char buffer[16] = {};
    EXPECT_EQ(file.ReadAt(buffer, sizeof buffer, 4), 2u);
    EXPECT_EQ(std::string_view(buffer, 2), "ef");
    EXPECT_EQ(file.ReadAt(buffer, 4, 100), 0u);
    EXPECT_EQ(CauseOf([&] { file.Seek(-7, CFile::end); }), FileCause::badSeek);
    file.Close();
    EXPECT_EQ(CauseOf([&] { file.Read(buffer, 1); }), FileCause::invalidFile);
}

TEST(FileErrorTest, ErrnoValuesMapToTheirCauses) {
    const std::pair<int, int> cases[] = {
        {ENOENT, 2},  {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EMFILE, 4}, {ENFILE, 4},
        {EACCES, 5},  {EPERM, 5},   {EROFS, 5},        {EBADF, 6},  {ENOSPC, 13},
        {EDQUOT, 13}, {EIO, 10},    {EWOULDBLOCK, 11}, {EINVAL, 1},
    };
    for (auto [error, cause] : cases)
        EXPECT_EQ(FileCauseFromErrno(error), cause) << "errno " << error;
    EXPECT_STREQ(FileErrorText(FileCause::endOfFile), "Reached end of file");
}

TEST(MemFileTest, CapacityGrowsInStepsAndAtLeastDoubles) {
    CMemFile file(100);
    std::size_t capacity = 0;
    const std::vector<std::uint8_t> piece(37, 0x5A);
    for (int i = 0; i < 200; ++i) {
        file.Write(piece.data(), piece.size());
        if (file.GetCapacity() != capacity) {
            EXPECT_EQ(file.GetCapacity() % 100, 0u);
            EXPECT_GE(file.GetCapacity(), 2 * capacity);
            capacity = file.GetCapacity();
        }
    }
    EXPECT_EQ(file.GetLength(), 7400);
    EXPECT_EQ(CMemFile(0).GetGrowthStep(), 1024u);
}

TEST(MemFileTest, ReadsPastTheEndDeliverNothingAndWritesThereLeaveZeros) {
    CMemFile file;
    file.Write("hello", 5);
    char buffer[8] = {'#', '#', '#'};
    file.Seek(3, CFile::begin);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string_view(buffer, 3), "lo#");
    file.Seek(100, CFile::begin);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.GetLength(), 5) << "seeking past the end does not grow the file";
    EXPECT_EQ(CauseOf([&] { file.Seek(-6, CFile::end); }), FileCause::badSeek);

    file.Seek(7, CFile::begin);
    file.Write("z", 1);
    EXPECT_EQ(std::string(file.Data().begin(), file.Data().end()), std::string("hello\0\0z", 8));
    file.SetLength(2);
    EXPECT_EQ(file.GetPosition(), 2) << "the position follows a truncation";
    EXPECT_NE(CauseOf([&] { file.SetLength(std::int64_t{1} << 40); }), FileCause::none);
}

} // namespace
