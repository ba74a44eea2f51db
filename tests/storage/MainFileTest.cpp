// CMainFile: the header of a new file, the header check on opening, the block layout of
// picture and thumbnail chains, the cached data size, read-only fallback and the 2^31-byte
// size limit. Layouts are checked on the file's bytes, not through the class.
#include "storage/MainFile.h"

#include "platform/ByteOrder.h"
#include "platform/File.h"
#include "support/TestSupport.h"

#include <ctime>
#include <gtest/gtest.h>

namespace {

using namespace MainFormat;

class MainFileTest : public CTempDirTest {
protected:
    std::vector<std::uint8_t> Block(std::int32_t n) {
        std::vector<std::uint8_t> bytes = ReadFileBytes(m_path);
        std::size_t start = static_cast<std::size_t>(n) * blockSize;
        if (bytes.size() < start + blockSize)
            return {};
        return {bytes.begin() + static_cast<std::ptrdiff_t>(start),
                bytes.begin() + static_cast<std::ptrdiff_t>(start + blockSize)};
    }
    std::int32_t Field(std::int32_t block, int offset) {
        std::vector<std::uint8_t> bytes = Block(block);
        return bytes.empty() ? -999 : GetLe32(bytes.data() + offset);
    }
    std::int32_t Append(CMainFile& file, std::span<const std::uint8_t> picture) {
        CMemFile source;
        FillMemFile(source, picture);
        CRecordHead head;
        head.SetFileName("pic.jpg");
        head.SetDataSize(static_cast<std::uint32_t>(picture.size()));
        std::int32_t first = -1;
        EXPECT_EQ(file.AppendRecord(source, first, head), 1);
        return first;
    }

    std::string m_path = File("pics.PXM");
};

TEST_F(MainFileTest, NewFileIsOneHeaderBlockWithFormatTimeAndEmptyPassword) {
    std::int32_t before = static_cast<std::int32_t>(std::time(nullptr));
    CMainFile file;
    ASSERT_EQ(file.Create(m_path), 1);
    std::int32_t after = static_cast<std::int32_t>(std::time(nullptr));
    EXPECT_EQ(file.BlockCount(), 1);
    EXPECT_EQ(file.GetPath(), m_path);
    EXPECT_FALSE(file.IsReadOnly());
    file.Close();

    std::vector<std::uint8_t> header = ReadFileBytes(m_path);
    ASSERT_EQ(header.size(), 2048u);
    EXPECT_EQ(GetLe32(&header[0]), 0);
    EXPECT_EQ(GetLe32(&header[4]), 0);
    EXPECT_EQ(GetLe32(&header[8]), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header[14])), formatString);
    EXPECT_EQ(header[41], 0);
    EXPECT_GE(GetLe32(&header[272]), before);
    EXPECT_LE(GetLe32(&header[272]), after);
    // The empty password, scrambled: every byte is 0 minus its key byte.
    const char* key = "K.L.BrennerO";
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(header[280 + i], static_cast<std::uint8_t>(-key[i])) << "password byte " << i;
    for (std::size_t i = 293; i < header.size(); ++i)
        ASSERT_EQ(header[i], 0) << "offset " << i;
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(MainFileTest, OpenRefusesAnyHeaderWhoseFormatStringDiffers) {
    {
        CMainFile file;
        ASSERT_EQ(file.Create(m_path), 1);
    }
    std::vector<std::uint8_t> good = ReadFileBytes(m_path);
    struct Damage {
        const char* what;
        int offset;
        std::uint8_t value;
    } damages[] = {
        {"first letter", 14, 'p'},
        {"version digit", 39, '6'},
        {"terminating NUL", 41, 'X'},
    };
    for (const Damage& d : damages) {
        std::vector<std::uint8_t> bytes = good;
        bytes[static_cast<std::size_t>(d.offset)] = d.value;
        WriteFileBytes(m_path, bytes);
        m_prompt.Clear();
        CMainFile file;
        EXPECT_EQ(file.Open(m_path), 0) << d.what;
        EXPECT_FALSE(file.IsOpen()) << d.what;
        EXPECT_EQ(m_prompt.Messages(),
                  std::vector<std::string>{"Wrong file version or broken file header"})
            << d.what;
    }
    WriteFileBytes(m_path, good);
    CMainFile file;
    EXPECT_EQ(file.Open(m_path), 1);
    EXPECT_EQ(file.BlockCount(), 1);
}

struct ChainCase {
    std::size_t size;
    int dataBlocks;
    std::int32_t lastCount;
};

class MainFileChainTest : public MainFileTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(MainFileChainTest, PictureChainFollowsTheHeadAndReadsBackByteForByte) {
    const ChainCase& c = GetParam();
    CMainFile file;
    ASSERT_EQ(file.Create(m_path), 1);
    std::vector<std::uint8_t> picture = PatternBytes(c.size, 7);
    std::int32_t head = Append(file, picture);
    ASSERT_EQ(head, 1);
    EXPECT_EQ(file.BlockCount(), 2 + c.dataBlocks);

    EXPECT_EQ(Field(1, offPrevious), -1);
    EXPECT_EQ(Field(1, offNext), 2);
    EXPECT_EQ(Field(1, offKind), 1);
    for (int i = 0; i < c.dataBlocks; ++i) {
        std::int32_t b = 2 + i;
        bool last = i == c.dataBlocks - 1;
        EXPECT_EQ(Field(b, offPrevious), b - 1) << "block " << b;
        EXPECT_EQ(Field(b, offNext), last ? -1 : b + 1) << "block " << b;
        EXPECT_EQ(Field(b, offKind), 0) << "block " << b;
        EXPECT_EQ(Field(b, offByteCount), last ? c.lastCount : payloadSize) << "block " << b;
    }

    CMemFile destination;
    FillMemFile(destination, PatternBytes(9000, 3)); // stale content must go
    CRecordHead read;
    ASSERT_EQ(file.CopyPicture(destination, head, read), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(destination.Data().begin(), destination.Data().end()),
              picture);
    EXPECT_EQ(read.FileName(), "pic.jpg");
    EXPECT_EQ(read.Next(), 2);

    std::int32_t second = Append(file, PatternBytes(10, 9));
    EXPECT_EQ(second, 2 + c.dataBlocks) << "the next record starts after the chain";
}

INSTANTIATE_TEST_SUITE_P(Sizes, MainFileChainTest,
                         ::testing::Values(ChainCase{0, 1, 0}, ChainCase{1, 1, 1},
                                           ChainCase{2032, 2, 0}, ChainCase{2033, 2, 1},
                                           ChainCase{4064, 3, 0}, ChainCase{5000, 3, 936}));

TEST_F(MainFileTest, ThumbnailChainsAreAppendedUnlinkedAndTheOldOneStays) {
    CMainFile file;
    ASSERT_EQ(file.Create(m_path), 1);
    std::int32_t head = Append(file, PatternBytes(100));
    std::int32_t other = Append(file, PatternBytes(100, 2));
    ASSERT_EQ(other, 3);

    CMemFile thumbnail;
    std::vector<std::uint8_t> first = PatternBytes(3000, 5);
    FillMemFile(thumbnail, first);
    ASSERT_EQ(file.StoreThumbnailChain(thumbnail, head), 1);
    EXPECT_EQ(Field(head, offThumbnail), 5);
    EXPECT_EQ(Field(5, offPrevious), -1);
    EXPECT_EQ(Field(5, offNext), 6);
    EXPECT_EQ(Field(6, offPrevious), -1);
    EXPECT_EQ(Field(6, offNext), -1);
    EXPECT_EQ(Field(6, offByteCount), 3000 - payloadSize);

    std::vector<std::uint8_t> second = PatternBytes(50, 6);
    FillMemFile(thumbnail, second);
    ASSERT_EQ(file.StoreThumbnailChain(thumbnail, head), 1);
    EXPECT_EQ(Field(head, offThumbnail), 7);
    EXPECT_EQ(file.BlockCount(), 8);
    EXPECT_EQ(Field(other, offThumbnail), 0) << "only the named head changes";

    CMemFile bytes;
    ASSERT_EQ(file.CopyChain(bytes, 7), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.Data().begin(), bytes.Data().end()), second);
    ASSERT_EQ(file.CopyChain(bytes, 5), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.Data().begin(), bytes.Data().end()), first);
}

TEST_F(MainFileTest, DataSizeIsComputedFromTheChainOnceAndWrittenBack) {
    CMainFile file;
    ASSERT_EQ(file.Create(m_path), 1);
    CMemFile source;
    FillMemFile(source, PatternBytes(5000));
    CRecordHead head; // data size 0: not yet known
    std::int32_t block = -1;
    ASSERT_EQ(file.AppendRecord(source, block, head), 1);
    ASSERT_EQ(Field(block, offDataSize), 0);

    EXPECT_EQ(file.GetDataSize(block), 5000);
    EXPECT_EQ(Field(block, offDataSize), 5000);
    EXPECT_EQ(Field(block, offKind), 1);

    // A stored size is trusted, not recomputed.
    CRecordHead stored;
    ASSERT_EQ(file.ReadHead(stored, block), 1);
    stored.SetDataSize(7);
    ASSERT_EQ(file.WriteHead(stored, block), 1);
    EXPECT_EQ(file.GetDataSize(block), 7);
}

// The main file never grows past 2^31 bytes. A sparse file brings a database to the limit
// without writing 2 GB.
TEST_F(MainFileTest, AppendsStopAtTheSizeLimitBeforeWritingAnything) {
    {
        CMainFile file;
        ASSERT_EQ(file.Create(m_path), 1);
        Append(file, PatternBytes(10));
    }
    {
        CFile raw;
        ASSERT_TRUE(raw.Open(m_path, CFile::modeReadWrite));
        raw.SetLength(maxFileSize - 2 * blockSize);
    }
    CMainFile file;
    ASSERT_EQ(file.Open(m_path), 1);
    ASSERT_EQ(file.BlockCount(), maxBlocks - 2);

    // 2033 bytes need a head and two data blocks: one block too many.
    CMemFile source;
    FillMemFile(source, PatternBytes(2033));
    CRecordHead head;
    std::int32_t block = -1;
    EXPECT_EQ(file.AppendRecord(source, block, head), 0);
    EXPECT_EQ(file.GetLastError(), FileCause::diskFull);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Disk full"});
    EXPECT_EQ(FileLength(m_path), maxFileSize - 2 * blockSize) << "nothing may be written";

    // An empty picture needs exactly the two blocks left.
    FillMemFile(source, {});
    ASSERT_EQ(file.AppendRecord(source, block, head), 1);
    EXPECT_EQ(block, maxBlocks - 2);
    EXPECT_EQ(FileLength(m_path), maxFileSize);
    CMemFile destination;
    CRecordHead read;
    EXPECT_EQ(file.CopyPicture(destination, block, read), 1);
    EXPECT_EQ(destination.GetLength(), 0);

    m_prompt.Clear();
    FillMemFile(source, PatternBytes(1));
    EXPECT_EQ(file.StoreThumbnailChain(source, 1), 0);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Disk full"});
    EXPECT_EQ(FileLength(m_path), maxFileSize);
    ASSERT_EQ(file.ReadHead(read, 1), 1);
    EXPECT_EQ(read.ThumbnailBlock(), 0) << "the head must not point at a chain never written";
}

} // namespace
