// CIndexFile: the new header, insertion order (equal and case-different keys, date keys as
// text), the positioned searches, the family walks with wrap-around, deletion flags and the
// skip table, including a list longer than 8191 x 32 entries. The file's bytes are read
// back independently of the class.
#include "storage/IndexFile.h"

#include "platform/ByteOrder.h"
#include "platform/File.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

using namespace IndexFormat;

struct RawIndex {
    std::int32_t generation = 0;
    std::int32_t modificationCount = 0;
    std::string format;
    std::int32_t skipLength = 0;
    std::vector<std::int32_t> slots;
    std::vector<CIndexEntry> entries;
};

RawIndex ReadRawIndex(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    RawIndex raw;
    if (bytes.size() < static_cast<std::size_t>(headerSize))
        return raw;
    raw.generation = GetLe32(&bytes[0]);
    raw.modificationCount = GetLe32(&bytes[4]);
    raw.format.assign(reinterpret_cast<const char*>(&bytes[8]), 12);
    raw.skipLength = GetLe32(&bytes[20]);
    for (int k = 0; k < skipSlots; ++k)
        raw.slots.push_back(GetLe32(&bytes[24 + 4 * static_cast<std::size_t>(k)]));
    for (std::size_t at = headerSize; at + entrySize <= bytes.size(); at += entrySize) {
        CIndexEntry entry;
        entry.Decode(&bytes[at]);
        raw.entries.push_back(entry);
    }
    return raw;
}

// Entry numbers in list order, following next links from the entry without a previous one.
std::vector<std::int32_t> ListOrder(const RawIndex& raw) {
    std::vector<std::int32_t> order;
    auto count = static_cast<std::int32_t>(raw.entries.size());
    std::int32_t i = -1;
    for (std::int32_t e = 0; e < count; ++e)
        if (raw.entries[static_cast<std::size_t>(e)].previous == -1)
            i = e;
    while (i >= 0 && i < count && order.size() <= raw.entries.size()) {
        order.push_back(i);
        i = raw.entries[static_cast<std::size_t>(i)].next;
    }
    return order;
}

CIndexEntry NewEntry(std::string_view key, std::int32_t record) {
    CIndexEntry entry;
    entry.SetKey(key);
    entry.flags = 0;
    entry.record = record;
    return entry;
}

class IndexFileTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_index.Create(m_path), 1); }

    std::int32_t Insert(std::string_view key, std::int32_t record) {
        CIndexEntry entry = NewEntry(key, record);
        EXPECT_EQ(m_index.InsertKey(entry, true), 1) << key;
        return m_index.GetLastInserted();
    }
    std::vector<std::int32_t> RecordsInOrder() {
        RawIndex raw = ReadRawIndex(m_path);
        std::vector<std::int32_t> records;
        for (std::int32_t i : ListOrder(raw))
            records.push_back(raw.entries[static_cast<std::size_t>(i)].record);
        return records;
    }
    std::string CurrentKey() { return std::string(m_index.Current().Key()); }

    std::string m_path = File("pics.PXI");
    CIndexFile m_index;
};

TEST_F(IndexFileTest, NewIndexIsAnEmptyHeaderOf32792Bytes) {
    EXPECT_EQ(FileLength(m_path), 32792);
    RawIndex raw = ReadRawIndex(m_path);
    EXPECT_EQ(raw.generation, 0);
    EXPECT_EQ(raw.modificationCount, 0);
    EXPECT_EQ(raw.format, std::string("PDX.100.00\0\0", 12));
    EXPECT_EQ(raw.skipLength, 0);
    EXPECT_EQ(std::count(raw.slots.begin(), raw.slots.end(), -1), skipSlots);

    EXPECT_EQ(m_index.EntryCount(), 0);
    EXPECT_EQ(m_index.FindFloor("!a", true), -1);
    EXPECT_EQ(m_index.FindFirstOrBefore("!a", true), -1);
    EXPECT_EQ(m_index.FindExact("!a", true), -1);
    EXPECT_EQ(m_index.FindInsertPosition("!a", true), -2);
    EXPECT_EQ(m_index.GoFirst(), 0);
    EXPECT_EQ(m_index.GetCurrentRecord(), -1);
}

TEST_F(IndexFileTest, FirstEntryFillsBothSkipSlots) {
    EXPECT_EQ(Insert("!a.jpg", 1), 0);
    RawIndex raw = ReadRawIndex(m_path);
    ASSERT_EQ(raw.entries.size(), 1u);
    const CIndexEntry& e = raw.entries[0];
    EXPECT_EQ(e.previous, -1);
    EXPECT_EQ(e.next, -1);
    EXPECT_EQ(e.number, 0);
    EXPECT_EQ(e.flags, 0);
    EXPECT_EQ(e.record, 1);
    EXPECT_EQ(raw.skipLength, 2);
    EXPECT_EQ(raw.slots[0], 0);
    EXPECT_EQ(raw.slots[1], 0);
    EXPECT_EQ(raw.slots[2], -1);
    EXPECT_GT(raw.generation, 0);
}

TEST_F(IndexFileTest, EqualKeysKeepInsertionOrderWhateverTheirCase) {
    Insert("!b.jpg", 1);
    Insert("!B.JPG", 2);
    Insert("!a.jpg", 3);
    Insert("!b.jpg", 4);
    Insert("!c.jpg", 5);
    Insert("!B.jpg", 6);
    EXPECT_EQ(RecordsInOrder(), (std::vector<std::int32_t>{3, 1, 2, 4, 6, 5}));
    EXPECT_EQ(ReadRawIndex(m_path).entries[1].Key(), "!B.JPG") << "keys are stored as built";

    ASSERT_EQ(m_index.GoTo(m_index.FindExact("!B.Jpg", true)), 1);
    EXPECT_EQ(m_index.GetCurrentRecord(), 6) << "the last of equal keys";
    ASSERT_EQ(m_index.GoTo(m_index.FindFirstOrBefore("!b.JPG", true)), 1);
    EXPECT_EQ(m_index.GetCurrentRecord(), 1) << "the first of equal keys";
}

TEST_F(IndexFileTest, DateKeysSortAsTextNotAsNumbers) {
    EXPECT_EQ(MakeDateKey(1000000000), " 1000000000");
    Insert(MakeDateKey(999999999), 1);
    Insert(MakeDateKey(1000000000), 2);
    Insert(MakeDateKey(999999998), 3);
    Insert(MakeDateKey(-1), 4);
    EXPECT_EQ(RecordsInOrder(), (std::vector<std::int32_t>{4, 2, 3, 1}));
}

TEST_F(IndexFileTest, PositionedSearchesOnAKnownList) {
    std::int32_t b = Insert("!b", 1);
    std::int32_t d1 = Insert("!d", 2);
    std::int32_t d2 = Insert("!d", 3);
    std::int32_t f = Insert("!f", 4);

    EXPECT_EQ(m_index.FindFloor("!d", true), d2);
    EXPECT_EQ(m_index.FindFloor("!c", true), b);
    EXPECT_EQ(m_index.FindFloor("!a", true), b) << "before the first: the first itself";
    EXPECT_EQ(m_index.FindFloor("!z", true), f);
    EXPECT_EQ(m_index.FindFloor("!", true), b) << "a single character: the first greater";

    EXPECT_EQ(m_index.FindFirstOrBefore("!d", true), d1);
    EXPECT_EQ(m_index.FindFirstOrBefore("!c", true), b);
    EXPECT_EQ(m_index.FindFirstOrBefore("!e", true), d2);
    EXPECT_EQ(m_index.FindFirstOrBefore("!a", true), b);
    EXPECT_EQ(m_index.FindFirstOrBefore("!z", true), f);
    EXPECT_EQ(m_index.FindFirstOrBefore("!", true), b);

    EXPECT_EQ(m_index.FindExact("!D", true), d2);
    EXPECT_EQ(m_index.FindExact("!D", false), -1) << "unfolded 'D' sorts before 'b'";
    EXPECT_EQ(m_index.FindExact("!c", true), -1);
    EXPECT_EQ(m_index.FindExact("!ff", true), -1);

    EXPECT_EQ(m_index.FindInsertPosition("!d", true), f);
    EXPECT_EQ(m_index.FindInsertPosition("!a", true), b);
    EXPECT_EQ(m_index.FindInsertPosition("!f", true), -2);
}

TEST_F(IndexFileTest, FamilyWalksWrapAndSetWrapped) {
    Insert(MakeDateKey(100), 1);
    Insert(MakeDateKey(200), 2);
    Insert("!a", 1);
    Insert("!b", 2);
    Insert("!c", 3);
    Insert(MakeCrcKey(5), 1);
    Insert("@kw", 1);
    bool wrapped = true;

    m_index.SetOrder(OrderFamily::fileName);
    ASSERT_EQ(m_index.GoFirst(), 1);
    EXPECT_EQ(CurrentKey(), "!a");
    ASSERT_EQ(m_index.GoNext(wrapped), 1);
    EXPECT_FALSE(wrapped);
    m_index.GoNext(wrapped);
    EXPECT_EQ(CurrentKey(), "!c");
    ASSERT_EQ(m_index.GoNext(wrapped), 1);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(CurrentKey(), "!a");
    ASSERT_EQ(m_index.GoPrevious(wrapped), 1);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(CurrentKey(), "!c");
    m_index.GoPrevious(wrapped);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(CurrentKey(), "!b");

    m_index.SetOrder(OrderFamily::dateSaved);
    ASSERT_EQ(m_index.GoLast(), 1);
    EXPECT_EQ(CurrentKey(), " 200");
    m_index.GoNext(wrapped);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(CurrentKey(), " 100");

    m_index.SetOrder(OrderFamily::keyword);
    ASSERT_EQ(m_index.GoFirst(), 1);
    EXPECT_EQ(CurrentKey(), "@kw");
    m_index.GoNext(wrapped);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(CurrentKey(), "@kw");
}

TEST_F(IndexFileTest, DeletedEntriesStayInTheListAndKeepTheirNumbers) {
    Insert("!a", 1);
    std::int32_t b = Insert("!b", 2);
    Insert("!c", 3);
    ASSERT_EQ(m_index.MarkDeleted(b), 1);
    EXPECT_EQ(m_index.EntryCount(), 3);
    RawIndex raw = ReadRawIndex(m_path);
    EXPECT_EQ(raw.entries[static_cast<std::size_t>(b)].flags, 1);
    EXPECT_EQ(RecordsInOrder(), (std::vector<std::int32_t>{1, 2, 3}));

    bool wrapped = false;
    m_index.GoFirst();
    m_index.GoNext(wrapped);
    EXPECT_EQ(m_index.GetCurrentNumber(), b) << "the walk does not skip deleted entries";
    EXPECT_TRUE(m_index.Current().IsDeleted());
    EXPECT_EQ(m_index.FindExact("!b", true), b);
}

// Many insertions in random order, with duplicates, pass several skip-table rebuilds; the
// list must stay sorted and stable and every search must agree with a plain model.
TEST_F(IndexFileTest, RandomInsertionsKeepTheListSortedAndSearchable) {
    std::mt19937 random(42);
    std::vector<std::pair<std::string, std::int32_t>> model; // key, record in list order
    for (std::int32_t record = 0; record < 1500; ++record) {
        char key[16];
        std::snprintf(key, sizeof key, "!%c%03u", (record % 2) ? 'k' : 'K',
                      static_cast<unsigned>(random() % 700));
        Insert(key, record);
        std::string folded = key;
        folded[1] = 'k';
        auto at = std::upper_bound(model.begin(), model.end(), folded,
                                   [](const std::string& k, const auto& item) {
                                       return CompareKeys(k, item.first, true) < 0;
                                   });
        model.insert(at, {folded, record});
    }
    std::vector<std::int32_t> expected;
    for (const auto& item : model)
        expected.push_back(item.second);
    EXPECT_EQ(RecordsInOrder(), expected);

    ASSERT_EQ(m_index.RebuildSkipTable(true), 1);
    RawIndex raw = ReadRawIndex(m_path);
    std::vector<std::int32_t> order = ListOrder(raw);
    ASSERT_EQ(raw.skipLength, (1500 + 31) / 32 + 1);
    for (int k = 0; k + 1 < raw.skipLength; ++k)
        EXPECT_EQ(raw.slots[static_cast<std::size_t>(k)], order[static_cast<std::size_t>(32 * k)]);
    EXPECT_EQ(raw.slots[static_cast<std::size_t>(raw.skipLength - 1)], order.back());
    EXPECT_EQ(raw.modificationCount, 0);

    // Searches through a fresh object read the entries from the file.
    m_index.Close();
    CIndexFile reopened;
    ASSERT_EQ(reopened.Open(m_path), 1);
    for (std::size_t p = 0; p < model.size(); ++p) {
        bool lastOfEqual = p + 1 == model.size() || model[p + 1].first != model[p].first;
        bool firstOfEqual = p == 0 || model[p - 1].first != model[p].first;
        if (lastOfEqual) {
            ASSERT_EQ(reopened.FindExact(model[p].first, true), order[p]) << model[p].first;
        }
        if (firstOfEqual) {
            ASSERT_EQ(reopened.FindFirstOrBefore(model[p].first, true), order[p]) << model[p].first;
        }
    }
}

// A list longer than 8191 x 32 entries, written directly: the rebuild must keep within the
// 8192 slots and every slot must still start walks at or before its targets.
TEST_F(IndexFileTest, SkipTableOfAnOverlongListStaysWithinItsSlots) {
    const std::int32_t count = 8191 * 32 + 1 + 40;
    // Entry numbers are a permutation of list positions, so only links lead the way.
    auto number = [&](std::int64_t position) {
        return static_cast<std::int32_t>(position * 7919 % count);
    };
    auto keyAt = [](std::int64_t position) {
        char key[16];
        std::snprintf(key, sizeof key, "!k%07lld", static_cast<long long>(position * 2));
        return std::string(key);
    };
    std::vector<std::uint8_t> bytes(headerSize + static_cast<std::size_t>(count) * entrySize);
    std::memcpy(&bytes[8], formatString, 11);
    PutLe32(&bytes[20], 2);
    for (int k = 0; k < skipSlots; ++k)
        PutLe32(&bytes[24 + 4 * static_cast<std::size_t>(k)], -1);
    PutLe32(&bytes[24], number(0));
    PutLe32(&bytes[28], number(count - 1));
    for (std::int64_t p = 0; p < count; ++p) {
        CIndexEntry entry = NewEntry(keyAt(p), static_cast<std::int32_t>(p));
        entry.previous = p == 0 ? -1 : number(p - 1);
        entry.next = p == count - 1 ? -1 : number(p + 1);
        entry.number = number(p);
        entry.Encode(&bytes[headerSize + static_cast<std::size_t>(entry.number) * entrySize]);
    }
    m_index.Close();
    WriteFileBytes(m_path, bytes);

    CIndexFile index;
    ASSERT_EQ(index.Open(m_path), 1);
    ASSERT_EQ(index.EntryCount(), count);
    ASSERT_EQ(index.RebuildSkipTable(true), 1);
    const CIndexFile::Header& header = index.GetHeader();
    ASSERT_GE(header.skipLength, 2);
    ASSERT_LE(header.skipLength, skipSlots);
    EXPECT_EQ(header.skip[0], number(0));
    EXPECT_EQ(header.skip[static_cast<std::size_t>(header.skipLength - 1)], number(count - 1));
    std::vector<std::int64_t> positions;
    for (int k = 0; k < header.skipLength; ++k) {
        std::int32_t e = header.skip[static_cast<std::size_t>(k)];
        ASSERT_TRUE(e >= 0 && e < count) << "slot " << k;
        // The entry's record is its list position.
        CIndexEntry entry;
        ASSERT_EQ(index.ReadEntry(entry, e), 1);
        std::int64_t position = entry.record;
        // Only the last slot may repeat the slot before it (a last entry on the stride).
        if (!positions.empty() && k + 1 < header.skipLength) {
            ASSERT_GT(position, positions.back()) << "slot " << k;
        }
        positions.push_back(position);
    }
    std::int64_t widest = 0;
    for (std::size_t k = 1; k < positions.size(); ++k)
        widest = std::max(widest, positions[k] - positions[k - 1]);
    EXPECT_LE(widest, 2 * ((count + skipSlots - 2) / (skipSlots - 1))) << "slots spaced evenly";

    for (std::int64_t p = 0; p < count; p += 997) {
        ASSERT_EQ(index.FindExact(keyAt(p), true), number(p)) << p;
        ASSERT_EQ(index.FindFirstOrBefore(keyAt(p), true), number(p)) << p;
        std::string between = keyAt(p) + "5";
        ASSERT_EQ(index.FindFloor(between, true), number(p)) << p;
    }
    EXPECT_EQ(index.FindExact(keyAt(count - 1), true), number(count - 1));

    // The list still takes insertions in the middle and at the end.
    CIndexEntry middle = NewEntry(keyAt(count / 2) + "5", -5);
    ASSERT_EQ(index.InsertKey(middle, true), 1);
    CIndexEntry last = NewEntry("!z", -6);
    ASSERT_EQ(index.InsertKey(last, true), 1);
    EXPECT_EQ(index.FindExact(keyAt(count / 2) + "5", true), count);
    EXPECT_EQ(index.FindExact("!z", true), count + 1);
    EXPECT_LE(index.GetHeader().skipLength, skipSlots);
}

} // namespace
