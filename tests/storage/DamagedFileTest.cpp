// A damaged index file: every operation must fail cleanly, with no crash, no hang and no
// read outside the file. Links outside the file, loops and skip tables out of range are
// refused.
#include "storage/IndexFile.h"

#include "platform/ByteOrder.h"
#include "support/AddPicture.h"

#include <cstdio>
#include <filesystem>

namespace {

std::int64_t EntryOffset(std::int32_t i, int field) {
    return IndexFormat::headerSize + std::int64_t{IndexFormat::entrySize} * i + field;
}

// An index of 100 keys "!k000".."!k099" appended in order, so entry i is at list position
// i; its skip table holds positions 0, 32, 64, 96 and 99.
class DamagedIndexTest : public CTempDirTest {
protected:
    void SetUp() override {
        CIndexFile index;
        ASSERT_EQ(index.Create(m_path), 1);
        for (int i = 0; i < 100; ++i) {
            CIndexEntry entry = NewEntry(Key(i), i + 1);
            ASSERT_EQ(index.InsertKey(entry, true), 1);
        }
        ASSERT_EQ(index.GetHeader().skipLength, 5);
        m_good = ReadFileBytes(m_path);
    }
    static std::string Key(int i) {
        char key[8];
        std::snprintf(key, sizeof key, "!k%03d", i);
        return key;
    }
    // Puts the undamaged file back, with value at offset when offset is not negative.
    void Restore(std::int64_t offset = -1, std::int32_t value = 0) {
        m_index.Close();
        m_holder.Close();
        WriteFileBytes(m_path, m_good);
        if (offset >= 0)
            PatchFileLe32(m_path, offset, value);
    }
    // Opens the index as the writer, or as a reader while another holder keeps it locked.
    void OpenIndex(bool writer) {
        if (!writer) {
            ASSERT_TRUE(m_holder.Open(m_path, CFile::modeReadWrite | CFile::shareDenyWrite));
        }
        m_index.Open(m_path);
        ASSERT_TRUE(m_index.IsOpen());
        ASSERT_EQ(m_index.IsReadOnly(), !writer);
    }
    // Every operation on a damaged index, none of which may crash or hang.
    void Exercise() {
        bool wrapped = false;
        m_index.GoFirst();
        for (int step = 0; step < 150; ++step)
            m_index.GoNext(wrapped);
        m_index.GoLast();
        for (int step = 0; step < 150; ++step)
            m_index.GoPrevious(wrapped);
        for (int i : {0, 50, 99})
            m_index.FindFloor(Key(i), true);
        m_index.FindInsertPosition("!k050", true);
        m_index.FindFloor("!", true);
        CIndexEntry entry = NewEntry("!k0505", 7);
        m_index.InsertKey(entry, true);
        m_index.RebuildSkipTable(true);
    }

    std::string m_path = File("pics.PXI");
    std::vector<std::uint8_t> m_good;
    CFile m_holder;
    CIndexFile m_index;
};

TEST_F(DamagedIndexTest, WalksStopAtBadLinksLoopsAndSkipTablesOutOfRange) {
    const struct {
        const char* what;
        std::int64_t offset;
        std::int32_t value;
    } damages[] = {
        {"next outside", EntryOffset(10, 4), 5000},
        {"next negative", EntryOffset(10, 4), -5},
        {"loop back", EntryOffset(10, 4), 5},
        {"loop onto itself", EntryOffset(10, 4), 10},
        {"skip length 8193", 20, 8193},
        {"skip length negative", 20, -1},
        {"first slot outside", 24, 5000},
        {"middle slot negative", 28, -7},
        {"last slot outside", 24 + 4 * 4, 100},
    };
    for (bool writer : {true, false}) {
        for (const auto& d : damages) {
            SCOPED_TRACE(std::string(d.what) + (writer ? ", writer" : ", reader"));
            Restore(d.offset, d.value);
            OpenIndex(writer);
            EXPECT_EQ(m_index.FindExact("!k020", true), -1);
            EXPECT_EQ(m_index.FindFirstOrBefore("!k020", true), -1);
            Exercise();
        }
    }
}

// A used slot holding "none" is damage too. Taken at its word, the lost last slot makes
// the list look empty to an append, which then starts a new list and cuts off every entry.
TEST_F(DamagedIndexTest, AppendAfterALostLastSlotMustNotCutOffTheList) {
    PatchFileLe32(m_path, 24 + 4 * 4, -1);
    OpenIndex(true);
    CIndexEntry entry = NewEntry("!zzz", 500);
    m_index.InsertKey(entry, true);
    m_index.Close();

    // Refused or appended after entry 99: either way entry 0 still heads the list.
    std::vector<std::uint8_t> bytes = ReadFileBytes(m_path);
    EXPECT_EQ(GetLe32(&bytes[24]), 0) << "slot 0 names the first entry";
    if (bytes.size() >= std::size_t(EntryOffset(101, 0))) {
        EXPECT_EQ(GetLe32(&bytes[std::size_t(EntryOffset(100, 0))]), 99)
            << "a new last entry follows the old one";
    }
}

} // namespace
