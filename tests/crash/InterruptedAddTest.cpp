// An index reconstruction after an add that was cut short must not bring the unfinished
// record back: its picture cannot be read. The main files here are left exactly as a
// killed add leaves them (a head and the first blocks of its picture chain, no index
// entries), with complete records before and after, and with chains whose links leave
// the run of blocks behind their head.
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/IndexEntry.h"
#include "support/AddPicture.h"
#include "support/NoProgress.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

constexpr std::int64_t blockSize = 2048;

class InterruptedAddTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_db.OpenDatabase(m_path, true), 1); }

    // What an add killed after writing its head and `blocksWritten` blocks of the picture
    // chain leaves: the blocks at the end of the main file, and no index entry.
    std::int32_t AppendCut(const std::vector<std::uint8_t>& bytes, std::int32_t blocksWritten) {
        CMemFile source;
        FillMemFile(source, bytes);
        CRecordHead head;
        head.SetFileName("cut.jpg");
        head.SetCrc(UpdateCrc16(0, bytes));
        head.SetDataSize(static_cast<std::uint32_t>(bytes.size()));
        std::int32_t h = -1;
        if (m_db.Main().AppendRecord(source, h, head) != 1)
            return -1;
        std::filesystem::resize_file(
            m_db.GetMainPath(), static_cast<std::uintmax_t>(h + 1 + blocksWritten) * blockSize);
        return h;
    }

    // Rebuilds the index and installs it; the records the new index names.
    std::set<std::int32_t> Rebuild() {
        EXPECT_TRUE(BuildAndInstall(m_db));
        EXPECT_EQ(m_db.OpenDatabase(m_path, false), 1);
        std::set<std::int32_t> records;
        CIndexEntry entry;
        for (std::int32_t i = 0; i < m_db.Index().EntryCount(); ++i) {
            EXPECT_TRUE(m_db.Index().ReadEntry(entry, i));
            records.insert(entry.record);
        }
        return records;
    }

    void PatchNext(std::int32_t block, std::int32_t next) {
        PatchFileLe32(m_path, block * blockSize + 4, next);
    }

    std::string m_path = File("cut.PXM");
    CPictureDatabase m_db;
    const std::vector<std::uint8_t> m_five = PatternBytes(5 * 2032 + 700, 5); // 6 data blocks
    const std::vector<std::uint8_t> m_small = PatternBytes(900, 9);
};

TEST_F(InterruptedAddTest, CutRecordIsLeftOutWhetherItEndsTheFileOrLaterRecordsFollow) {
    const std::int32_t a = AddPicture(m_db, "a.jpg", m_five);
    const std::int32_t cutAtEnd = AppendCut(m_five, 3);
    ASSERT_GT(a, 0);
    ASSERT_GT(cutAtEnd, a);
    EXPECT_EQ(Rebuild(), std::set<std::int32_t>{a});

    // The next add appends behind the cut record: its last block now points at this
    // record's head. A cut with no data block at all comes next, then the thumbnail
    // chain of a's record, into which that cut's chain would run.
    const std::int32_t b = AddPicture(m_db, "b.gif", m_small);
    ASSERT_EQ(b, cutAtEnd + 4);
    const std::int32_t cutBare = AppendCut(m_five, 0);
    ASSERT_EQ(StoreThumbnail(m_db, a, PatternBytes(5000, 3)), 1);
    EXPECT_EQ(Rebuild(), (std::set<std::int32_t>{a, b}));
    EXPECT_TRUE(ReadsBack(m_db, a, m_five));
    EXPECT_TRUE(ReadsBack(m_db, b, m_small));
    EXPECT_GT(cutBare, b);

    // Without its data size a chain that reaches an end is taken as complete.
    const std::int32_t c = AddPicture(m_db, "c.bmp", m_small);
    CRecordHead head;
    ASSERT_TRUE(m_db.ReadHead(head, c));
    head.SetDataSize(0);
    ASSERT_TRUE(m_db.WriteHead(head, c));
    EXPECT_EQ(Rebuild(), (std::set<std::int32_t>{a, b, c}));
}

TEST_F(InterruptedAddTest, LinksThatLeaveTheRunBehindTheHeadAreFollowedToTheirEnd) {
    const std::int32_t moved = AddPicture(m_db, "moved.jpg", m_five);
    const std::int32_t away = AddPicture(m_db, "away.jpg", m_five);
    const std::int32_t circle = AddPicture(m_db, "circle.jpg", m_five);
    const std::int32_t last = AddPicture(m_db, "last.jpg", m_small);
    ASSERT_GT(moved, 0);
    // moved: its chain jumps from its second block to a copy of its third at the end of the
    // file and back to its fourth; the bytes are the same.
    const std::vector<std::uint8_t> file = ReadFileBytes(m_db.GetMainPath());
    const auto end = static_cast<std::int32_t>(file.size() / blockSize);
    std::vector<std::uint8_t> copy(file.begin() + (moved + 3) * blockSize,
                                   file.begin() + (moved + 4) * blockSize);
    m_db.Close();
    {
        std::vector<std::uint8_t> grown = file;
        grown.insert(grown.end(), copy.begin(), copy.end());
        WriteFileBytes(m_path, grown);
    }
    PatchNext(moved + 2, end);
    PatchFileLe32(m_path, (moved + 3) * blockSize + 8, 7); // the old third block: junk
    // away: its fourth block points past the end of the file.
    PatchNext(away + 4, end + 5);
    // circle: its fifth block leads back to its second.
    PatchNext(circle + 5, circle + 2);
    ASSERT_EQ(m_db.OpenDatabase(m_path, false), 1);

    EXPECT_EQ(Rebuild(), (std::set<std::int32_t>{moved, last}));
    EXPECT_TRUE(ReadsBack(m_db, moved, m_five));
    EXPECT_TRUE(ReadsBack(m_db, last, m_small));
}

} // namespace
