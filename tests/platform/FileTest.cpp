// CFile open errors and short reads, and reads and writes past the end of the memory file.
#include "platform/File.h"
#include "support/TestSupport.h"

#include <cerrno>

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
