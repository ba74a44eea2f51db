// CMainFile: the cached data size and the 2^31-byte size limit. Heads and chains (pictures
// of 0, 2032 and 2033 bytes among others) are compared byte for byte with the format writer
// and read back in FormatInteropTest.
#include "storage/MainFile.h"

#include "platform/ByteOrder.h"
#include "platform/File.h"
#include "support/TestSupport.h"

#include <fstream>

namespace {

using namespace MainFormat;

class MainFileTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_file.Create(m_path), 1); }

    // Appends a record whose head leaves the data size 0 (not yet known).
    std::int32_t Append(std::span<const std::uint8_t> picture) {
        CMemFile source;
        FillMemFile(source, picture);
        CRecordHead head;
        std::int32_t first = -1;
        return m_file.AppendRecord(source, first, head) == 1 ? first : -1;
    }
    std::int32_t Field(std::int32_t block, int offset) {
        std::uint8_t bytes[4] = {};
        std::ifstream(m_path, std::ios::binary)
            .seekg(std::int64_t{block} * blockSize + offset)
            .read(reinterpret_cast<char*>(bytes), 4);
        return GetLe32(bytes);
    }

    std::string m_path = File("pics.PXM");
    CMainFile m_file;
};

// The main file never grows past the blocks its numbers address. A sparse file brings a
// database to the limit without writing 4 TiB.
TEST_F(MainFileTest, AppendsStopAtTheSizeLimitBeforeWritingAnything) {
    Append(PatternBytes(10));
    m_file.Close();
    {
        CFile raw;
        ASSERT_TRUE(raw.Open(m_path, CFile::modeReadWrite));
        raw.SetLength(maxFileSize - 2 * blockSize);
    }
    ASSERT_EQ(m_file.Open(m_path), 1);
    ASSERT_EQ(m_file.BlockCount(), maxBlocks - 2);

    // 2033 bytes need a head and two data blocks: one block too many.
    EXPECT_EQ(Append(PatternBytes(2033)), -1);
    EXPECT_EQ(m_file.GetLastError(), FileCause::diskFull);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Disk full"});
    EXPECT_EQ(FileLength(m_path), maxFileSize - 2 * blockSize) << "nothing may be written";

    // An empty picture needs exactly the two blocks left.
    EXPECT_EQ(Append({}), maxBlocks - 2);
    EXPECT_EQ(FileLength(m_path), maxFileSize);

    m_prompt.Clear();
    CMemFile source;
    FillMemFile(source, PatternBytes(1));
    EXPECT_EQ(m_file.StoreThumbnailChain(source, 1), 0);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Disk full"});
    EXPECT_EQ(FileLength(m_path), maxFileSize);
    EXPECT_EQ(Field(1, offThumbnail), 0) << "the head must not point at a chain never written";
}

} // namespace
