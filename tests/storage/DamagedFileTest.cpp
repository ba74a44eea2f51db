// Damaged and truncated database files: every operation must fail cleanly, with no crash,
// no hang and no read outside the file. Short block and entry reads fail with "Reached end
// of file"; links outside the file, loops, byte counts over 2032 and skip tables out of
// range are refused.
#include "storage/IndexFile.h"
#include "storage/PictureDatabase.h"

#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "support/TestSupport.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace MainFormat;

constexpr const char* kEndOfFile = "Reached end of file";

// A main file with record A (3000 bytes: head 1, data blocks 2 and 3) and record B (10
// bytes: head 4, data block 5) with a stored thumbnail chain at block 6.
class DamagedMainFileTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, true), 1);
        ASSERT_EQ(Add(db, PatternBytes(3000, 1)), 1);
        ASSERT_EQ(Add(db, PatternBytes(10, 2)), 4);
        CMemFile thumbnail;
        FillMemFile(thumbnail, PatternBytes(100, 3));
        ASSERT_EQ(db.SetThumbnail(&thumbnail, 4, true), 1);
    }
    static std::int32_t Add(CPictureDatabase& db, const std::vector<std::uint8_t>& bytes) {
        CMemFile source;
        FillMemFile(source, bytes);
        if (db.AddRecord(source, UpdateCrc16(0, bytes), "a.jpg", 0, 1, 1, {}) != 1)
            return -1;
        db.Index().GoTo(db.Index().GetLastInserted());
        return db.Index().GetCurrentRecord();
    }
    void Patch(std::int32_t block, int offset, std::int32_t value) {
        PatchFileLe32(m_path, static_cast<std::int64_t>(block) * blockSize + offset, value);
    }

    std::string m_path = File("pics.PXM");
    CPictureDatabase m_db;
    CMemFile m_bytes;
    CRecordHead m_head;
};

TEST_F(DamagedMainFileTest, ShortBlockReadFailsWithEndOfFileInsteadOfUsingStaleBytes) {
    std::filesystem::resize_file(m_path, 3 * blockSize + 100); // cuts A's second data block
    ASSERT_EQ(m_db.OpenDatabase(m_path, false), 1);
    EXPECT_EQ(m_db.Main().BlockCount(), 3);

    EXPECT_EQ(m_db.ReadPicture(m_bytes, 1, m_head), 0);
    EXPECT_EQ(m_db.Main().GetLastError(), FileCause::endOfFile);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{kEndOfFile});

    std::uint8_t block[blockSize];
    m_prompt.Clear();
    EXPECT_EQ(m_db.Main().ReadBlock(block, 3), 0);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{kEndOfFile});
    EXPECT_EQ(m_db.Main().ReadBlock(block, 4), 0);
    EXPECT_EQ(m_db.Main().ReadBlock(block, -1), 0);
}

TEST_F(DamagedMainFileTest, TruncatedHeaderBlockIsNotOpened) {
    std::filesystem::resize_file(m_path, 1000);
    EXPECT_EQ(m_db.OpenDatabase(m_path, false), 0);
    EXPECT_FALSE(m_db.IsOpen());
    EXPECT_TRUE(m_prompt.Saw(kEndOfFile));
}

struct ChainDamage {
    const char* what;
    std::int32_t block;
    int offset;
    std::int32_t value;
};

class DamagedChainTest : public DamagedMainFileTest,
                         public ::testing::WithParamInterface<ChainDamage> {};

TEST_P(DamagedChainTest, PictureOfRecordAFailsCleanly) {
    const ChainDamage& d = GetParam();
    Patch(d.block, d.offset, d.value);
    Patch(1, offDataSize, 0); // make GetDataSize walk the chain
    ASSERT_EQ(m_db.OpenDatabase(m_path, false), 1);

    EXPECT_EQ(m_db.ReadPicture(m_bytes, 1, m_head), 0);
    EXPECT_FALSE(m_prompt.Messages().empty()) << "the failure is shown";
    EXPECT_EQ(m_db.GetDataSize(1), -1);
    CRecordHead head;
    ASSERT_EQ(m_db.ReadHead(head, 1), 1);
    EXPECT_EQ(head.DataSize(), 0u) << "no size may be cached from a damaged chain";

    CPictureDatabase target;
    ASSERT_EQ(target.OpenDatabase(File("target"), true), 1);
    EXPECT_EQ(m_db.CopyRecord(1, target), 0);
    EXPECT_EQ(target.Index().EntryCount(), 0);

    // Record B is intact.
    EXPECT_EQ(m_db.ReadPicture(m_bytes, 4, m_head), 1);
    EXPECT_EQ(m_bytes.GetLength(), 10);
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedChainTest,
                         ::testing::Values(ChainDamage{"next far outside", 2, offNext, 100000},
                                           ChainDamage{"next just past the end", 2, offNext, 7},
                                           ChainDamage{"next negative", 2, offNext, -7},
                                           ChainDamage{"next int min", 2, offNext, INT32_MIN},
                                           ChainDamage{"head points outside", 1, offNext, 1 << 30},
                                           ChainDamage{"loop onto itself", 3, offNext, 3},
                                           ChainDamage{"loop back", 3, offNext, 2},
                                           ChainDamage{"loop through the head", 3, offNext, 1},
                                           ChainDamage{"byte count 2033", 3, offByteCount, 2033},
                                           ChainDamage{"byte count negative", 2, offByteCount, -1},
                                           ChainDamage{"byte count huge", 3, offByteCount,
                                                       0x7FFFFFFF}),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST_F(DamagedMainFileTest, ThumbnailLinksOutsideTheFileAreRefused) {
    ASSERT_EQ(m_db.OpenDatabase(m_path, false), 1);
    for (std::int32_t link : {7, 5000, -3, INT32_MAX}) {
        SCOPED_TRACE(link);
        CRecordHead head;
        ASSERT_EQ(m_db.ReadHead(head, 4), 1);
        head.SetThumbnailBlock(link);
        ASSERT_EQ(m_db.WriteHead(head, 4), 1);
        EXPECT_EQ(m_db.ReadThumbnail(m_bytes, head), 0);
    }
}

std::int64_t EntryOffset(std::int32_t i, int field) {
    return IndexFormat::headerSize + std::int64_t{IndexFormat::entrySize} * i + field;
}

// An index of 100 keys "!k000".."!k099" appended in order, so entry i is at list position
// i; its skip table holds positions 0, 32, 64, 96 and 99.
class DamagedIndexTest : public CTempDirTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        CIndexFile index;
        ASSERT_EQ(index.Create(m_path), 1);
        for (int i = 0; i < 100; ++i) {
            CIndexEntry entry;
            entry.SetKey(Key(i));
            entry.flags = 0;
            entry.record = i + 1;
            ASSERT_EQ(index.InsertKey(entry, true), 1);
        }
        ASSERT_EQ(index.RebuildSkipTable(true), 1);
        ASSERT_EQ(index.GetHeader().skipLength, 5);
    }
    static std::string Key(int i) {
        char key[8];
        std::snprintf(key, sizeof key, "!k%03d", i);
        return key;
    }
    // Opens the index as the writer, or as a reader while another holder keeps it locked.
    void OpenIndex() {
        if (!GetParam()) {
            ASSERT_TRUE(m_holder.Open(m_path, CFile::modeReadWrite | CFile::shareDenyWrite));
        }
        m_index.Open(m_path);
        ASSERT_TRUE(m_index.IsOpen());
        ASSERT_EQ(m_index.IsReadOnly(), !GetParam());
    }
    // Every operation on a damaged index, none of which may crash or hang.
    void Exercise() {
        bool wrapped = false;
        m_index.GoFirst();
        for (int step = 0; step < 300; ++step)
            m_index.GoNext(wrapped);
        m_index.GoLast();
        for (int step = 0; step < 300; ++step)
            m_index.GoPrevious(wrapped);
        for (int i : {0, 20, 50, 99})
            m_index.FindFloor(Key(i), true);
        m_index.FindFirstOrBefore("!k050", true);
        m_index.FindInsertPosition("!k050", true);
        m_index.FindFloor("!", true);
        CIndexEntry entry;
        entry.SetKey("!k0505");
        entry.flags = 0;
        entry.record = 7;
        m_index.InsertKey(entry, true);
        m_index.RebuildSkipTable(true);
    }

    std::string m_path = File("pics.PXI");
    CFile m_holder;
    CIndexFile m_index;
};

TEST_P(DamagedIndexTest, TruncatedHeaderFailsEverySearch) {
    std::filesystem::resize_file(m_path, 1000);
    OpenIndex();
    EXPECT_EQ(m_index.FindExact("!k020", true), -1);
    EXPECT_EQ(m_index.GoFirst(), 0);
    EXPECT_TRUE(m_prompt.Saw(kEndOfFile));
    Exercise();
    EXPECT_EQ(FileLength(m_path), 1000) << "a damaged index is not written";
}

TEST_P(DamagedIndexTest, CutLastEntryIsNotCountedAndLinksBeyondItAreRefused) {
    std::filesystem::resize_file(m_path, EntryOffset(50, 20));
    OpenIndex();
    EXPECT_EQ(m_index.EntryCount(), 50);
    CIndexEntry entry;
    EXPECT_EQ(m_index.ReadEntry(entry, 50), 0) << "a short entry read";
    EXPECT_EQ(m_index.GetLastError(), FileCause::endOfFile);
    EXPECT_TRUE(m_prompt.Saw(kEndOfFile));
    EXPECT_EQ(m_index.FindExact("!k099", true), -1);
    EXPECT_EQ(m_index.FindExact("!k060", true), -1);
    Exercise();
}

struct IndexDamage {
    const char* what;
    std::int64_t offset;
    std::int32_t value;
};

const IndexDamage kLinkDamages[] = {
    {"next outside", EntryOffset(10, 4), 5000},
    {"next just past the end", EntryOffset(10, 4), 100},
    {"next negative", EntryOffset(10, 4), -5},
    {"loop back", EntryOffset(10, 4), 5},
    {"loop onto itself", EntryOffset(10, 4), 10},
};

TEST_P(DamagedIndexTest, WalksStopAtBadLinksAndLoops) {
    std::vector<std::uint8_t> good = ReadFileBytes(m_path);
    for (const IndexDamage& d : kLinkDamages) {
        SCOPED_TRACE(d.what);
        m_index.Close();
        m_holder.Close();
        WriteFileBytes(m_path, good);
        PatchFileLe32(m_path, d.offset, d.value);
        OpenIndex();
        EXPECT_EQ(m_index.FindExact("!k020", true), -1);
        EXPECT_EQ(m_index.FindFirstOrBefore("!k020", true), -1);
        Exercise();
    }
}

const IndexDamage kHeaderDamages[] = {
    {"skip length 8193", 20, 8193},         {"skip length negative", 20, -1},
    {"skip length huge", 20, 0x7FFFFFFF},   {"first slot outside", 24, 5000},
    {"middle slot outside", 28, 100},       {"middle slot negative", 28, -7},
    {"last slot outside", 24 + 4 * 4, 100},
};

TEST_P(DamagedIndexTest, SkipTableOutOfRangeCountsAsDamaged) {
    std::vector<std::uint8_t> good = ReadFileBytes(m_path);
    for (const IndexDamage& d : kHeaderDamages) {
        SCOPED_TRACE(d.what);
        m_index.Close();
        m_holder.Close();
        WriteFileBytes(m_path, good);
        PatchFileLe32(m_path, d.offset, d.value);
        OpenIndex();
        EXPECT_EQ(m_index.FindExact("!k050", true), -1);
        EXPECT_EQ(m_index.FindFloor("!k000", true), -1);
        Exercise();
    }
}

// A used slot holding "none" is damage too. Taken at its word, the lost last slot makes
// the list look empty to an append, which then starts a new list and cuts off every entry.
TEST_P(DamagedIndexTest, AppendAfterALostLastSlotMustNotCutOffTheList) {
    if (!GetParam())
        GTEST_SKIP() << "only the writer appends";
    PatchFileLe32(m_path, 24 + 4 * 4, -1);
    OpenIndex();
    CIndexEntry entry;
    entry.SetKey("!zzz");
    entry.flags = 0;
    entry.record = 500;
    m_index.InsertKey(entry, true);
    m_index.Close();
    m_holder.Close();

    // Refused or appended after entry 99: either way entry 0 still heads the list.
    std::vector<std::uint8_t> bytes = ReadFileBytes(m_path);
    EXPECT_EQ(GetLe32(&bytes[24]), 0) << "slot 0 names the first entry";
    if (bytes.size() >= static_cast<std::size_t>(EntryOffset(101, 0))) {
        EXPECT_EQ(GetLe32(&bytes[static_cast<std::size_t>(EntryOffset(100, 0))]), 99)
            << "a new last entry follows the old one";
    }
}

INSTANTIATE_TEST_SUITE_P(WriterAndReader, DamagedIndexTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Writer" : "Reader"; });

} // namespace
