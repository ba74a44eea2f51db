// Changes made to a damaged database must not make the damage worse. An insertion trusts
// the skip table's last slot as the end of the list and an entry's previous link as the
// way back; when either is wrong, linking the new entry there cuts entries off the list
// (all of them, for a skip table that claims the list is empty). Such an insertion is
// refused instead. And deleting a record whose head was damaged takes it off the list it
// is shown in, although its head no longer gives the keys of its entries.
#include "collection/PicdexDoc.h"
#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "storage/IndexFile.h"
#include "support/AddPicture.h"
#include "support/FormatReader.h"
#include "support/TestSupport.h"

#include <cstdio>

namespace {

constexpr int keyCount = 40;

std::string Key(int i) {
    char key[8];
    std::snprintf(key, sizeof key, "!k%03d", i);
    return key;
}

std::int64_t EntryOffset(std::int32_t i) {
    return IndexFormat::headerSize + std::int64_t{IndexFormat::entrySize} * i;
}

// An index of keyCount keys "!k000".. appended in order: entry i at list position i, a
// skip table of three slots (entries 0, 32 and 39).
class DamagedInsertTest : public CTempDirTest {
protected:
    void SetUp() override {
        CIndexFile index;
        ASSERT_EQ(index.Create(m_path), 1);
        for (int i = 0; i < keyCount; ++i)
            ASSERT_EQ(Insert(index, Key(i)), 1);
        ASSERT_EQ(index.GetHeader().skipLength, 3);
    }
    static int Insert(CIndexFile& index, const std::string& key) {
        CIndexEntry entry = NewEntry(key, 1);
        return index.InsertKey(entry, true);
    }
    // Inserts key into the damaged file; the entries the list reaches afterwards.
    std::vector<CFormatReader::Entry> InsertInto(const std::string& key) {
        CIndexFile index;
        EXPECT_EQ(index.Open(m_path), 1);
        m_inserted = Insert(index, key);
        index.Close();
        CFormatReader reader;
        reader.Read({}, ReadFileBytes(m_path));
        return reader.Entries();
    }
    void ExpectRefusedOrLinked(const std::vector<CFormatReader::Entry>& list) {
        const std::size_t entries = keyCount + (m_inserted ? 1 : 0);
        EXPECT_EQ(list.size(), entries) << "entries were cut off the list";
        if (!m_inserted) {
            EXPECT_TRUE(m_prompt.Saw("Unknown error"));
        }
    }

    std::string m_path = File("pics.PXI");
    int m_inserted = 0;
};

// Each row: the fields damaged, then insertions with whether each must go in; an entry
// linked after a wrong last slot or previous link would cut entries off the list.
TEST_F(DamagedInsertTest, InsertionsAtAWrongLastSlotOrPreviousLinkAreRefused) {
    const std::vector<std::uint8_t> good = ReadFileBytes(m_path);
    const struct {
        const char* what;
        std::vector<std::pair<std::int64_t, std::int32_t>> fields;
        std::vector<std::pair<const char*, int>> insertions;
    } cases[] = {
        {"the last slot names entry 20", {{24 + 4 * 2, 20}}, {{"!zzz", 0}}},
        {"only slot 0 in use", {{20, 1}}, {{"!zzz", 0}}},
        {"an empty table over a linked list",
         {{20, 0}, {24, -1}, {28, -1}, {32, -1}},
         {{"!k100", 0}}},
        // Elsewhere in the same list an insertion still goes in.
        {"entry 25's previous is 10", {{EntryOffset(25), 10}}, {{"!k024a", 0}, {"!k030a", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(m_path, good);
        for (const auto& [offset, value] : c.fields)
            PatchFileLe32(m_path, offset, value);
        for (const auto& [key, inserted] : c.insertions) {
            m_prompt.Clear();
            ExpectRefusedOrLinked(InsertInto(key));
            EXPECT_EQ(m_inserted, inserted) << key;
        }
    }
}

// A first insertion that failed after writing its entry but before the header leaves one
// entry on no list and an empty table: the next insertion starts the list.
TEST_F(DamagedInsertTest, EntryOnNoListUnderAnEmptyTableStillTakesAnAppend) {
    CIndexFile index;
    ASSERT_EQ(index.Create(m_path), 1);
    CIndexEntry lone = NewEntry("!lone", 1);
    ASSERT_EQ(index.WriteEntry(lone, 0), 1);
    index.Close();
    InsertInto("!next");
    EXPECT_EQ(m_inserted, 1);
    ASSERT_EQ(index.Open(m_path), 1);
    EXPECT_EQ(index.FindExact("!next", true), 1);
    EXPECT_EQ(index.Current().number, 1) << "the new entry heads the list";
}

class DamagedHeadDeleteTest : public CTempDirTest {};

TEST_F(DamagedHeadDeleteTest, DeletingARecordWithADamagedNameTakesItOffTheNameList) {
    const std::string path = File("db.PXM");
    std::int32_t heads[2] = {};
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(path, true), 1);
        for (int k = 0; k < 2; ++k) {
            heads[k] = AddPicture(db, k == 0 ? "a.dat" : "b.dat", PatternBytes(100, k + 1));
            ASSERT_GT(heads[k], 0);
        }
    }
    // "a.dat" becomes "q.dat" in its head; its name entry still says "a.dat".
    std::vector<std::uint8_t> main = ReadFileBytes(path);
    main[static_cast<std::size_t>(heads[0]) * MainFormat::blockSize + MainFormat::offFileName] =
        'q';
    WriteFileBytes(path, main);

    CPicdexDoc doc;
    ASSERT_EQ(doc.Database().OpenDatabase(path, false), 1);
    doc.ShowAll(OrderFamily::fileName, true);
    ASSERT_EQ(doc.Database().Index().GetCurrentRecord(), heads[0]);
    ASSERT_TRUE(doc.DeleteCurrent());
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(doc.GoNext());
        EXPECT_EQ(doc.Database().Index().GetCurrentRecord(), heads[1]);
    }
}

} // namespace
