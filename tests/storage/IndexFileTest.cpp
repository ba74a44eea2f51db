// CIndexFile: the positioned searches (also over runs of equal keys across skip slots), the
// family walks with wrap-around, and the skip table of a list longer than 8191 x 32
// entries. Insertion and the file's bytes are compared with the format writer in
// FormatInteropTest.
#include "storage/IndexFile.h"

#include "platform/ByteOrder.h"
#include "support/AddPicture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

using namespace IndexFormat;

class IndexFileTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_index.Create(m_path), 1); }

    std::int32_t Insert(std::string_view key, std::int32_t record) {
        CIndexEntry entry = NewEntry(key, record);
        EXPECT_EQ(m_index.InsertKey(entry, true), 1) << key;
        return m_index.GetLastInserted();
    }
    std::string CurrentKey() { return std::string(m_index.Current().Key()); }

    std::string m_path = File("pics.PXI");
    CIndexFile m_index;
};

TEST_F(IndexFileTest, PositionedSearchesOnAKnownList) {
    using Find = std::int32_t (CIndexFile::*)(std::string_view, bool);
    const Find floor = &CIndexFile::FindFloor, first = &CIndexFile::FindFirstOrBefore,
               exact = &CIndexFile::FindExact;
    for (Find find : {floor, first, exact})
        EXPECT_EQ((m_index.*find)("!a", true), -1);
    EXPECT_EQ(m_index.FindInsertPosition("!a", true), -2);
    EXPECT_EQ(m_index.GoFirst(), 0);

    const std::int32_t b = Insert("!b", 1), d1 = Insert("!d", 2), d2 = Insert("!d", 3),
                       f = Insert("!f", 4), none = -1;
    // FindFloor: the last at or before the key, the first itself before it ("!" too);
    // FindFirstOrBefore: the first of equal keys; FindExact: the last of equal keys after
    // lower-casing, or none ('D' unfolded sorts before 'b').
    const struct {
        Find find;
        const char* key;
        bool fold;
        std::int32_t expected;
    } cases[] = {
        {floor, "!d", true, d2},   {floor, "!c", true, b},     {floor, "!a", true, b},
        {floor, "!z", true, f},    {floor, "!", true, b},      {first, "!d", true, d1},
        {first, "!c", true, b},    {first, "!e", true, d2},    {first, "!a", true, b},
        {first, "!z", true, f},    {exact, "!D", true, d2},    {exact, "!D", false, none},
        {exact, "!c", true, none}, {exact, "!ff", true, none},
    };
    for (const auto& c : cases)
        EXPECT_EQ((m_index.*c.find)(c.key, c.fold), c.expected) << c.key << " " << &c - cases;

    // A run of 100 keys equal after lower-casing, with skip slots inside it.
    std::vector<std::int32_t> run;
    for (int i = 0; i < 100; ++i)
        run.push_back(Insert(i % 2 ? "!m" : "!M", 10 + i));
    ASSERT_GE(m_index.GetHeader().skipLength, 5);
    EXPECT_EQ(m_index.FindExact("!m", true), run.back()) << "the last of equal keys";
    EXPECT_EQ(m_index.FindFirstOrBefore("!M", true), run.front()) << "the first of equal keys";
    EXPECT_EQ(m_index.FindFloor("!n", true), run.back());
    EXPECT_EQ(m_index.FindFirstOrBefore("!n", true), run.back());
}

TEST_F(IndexFileTest, FamilyWalksWrapAndSetWrappedAndPassDeletedEntries) {
    Insert(MakeDateKey(100), 1);
    Insert(MakeDateKey(200), 2);
    Insert("!a", 1);
    std::int32_t b = Insert("!b", 2);
    Insert("!c", 3);
    Insert(MakeCrcKey(5), 1);
    Insert("@kw", 1);
    ASSERT_EQ(m_index.MarkDeleted(b), 1);
    // Each step: the family it walks (-1: the one before), the move, the key it reaches and
    // whether it wrapped. The walk does not skip the deleted "!b".
    enum Move { first, last, next, previous };
    const struct {
        int order;
        Move move;
        const char* key;
        bool wrapped;
    } steps[] = {
        {OrderFamily::fileName, first, "!a", false},
        {-1, next, "!b", false},
        {-1, next, "!c", false},
        {-1, next, "!a", true},
        {-1, previous, "!c", true},
        {OrderFamily::dateSaved, last, " 200", false},
        {OrderFamily::keyword, first, "@kw", false},
        {-1, next, "@kw", true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key);
        if (step.order >= 0)
            m_index.SetOrder(step.order);
        bool wrapped = step.move >= next && !step.wrapped; // a step sets it either way
        ASSERT_EQ(step.move == first  ? m_index.GoFirst()
                  : step.move == last ? m_index.GoLast()
                  : step.move == next ? m_index.GoNext(wrapped)
                                      : m_index.GoPrevious(wrapped),
                  1);
        EXPECT_EQ(wrapped, step.wrapped);
        EXPECT_EQ(CurrentKey(), step.key);
        EXPECT_EQ(m_index.Current().IsDeleted(), CurrentKey() == "!b");
    }
}

// A list longer than 8191 x 32 entries, written directly: the rebuild must keep within the
// 8192 slots, spaced evenly, and every slot must still start walks at or before its targets.
TEST_F(IndexFileTest, SkipTableOfAnOverlongListStaysWithinItsSlots) {
    const std::int32_t count = 8191 * 32 + 1 + 40;
    // Entry numbers are a permutation of list positions, so only links lead the way.
    auto number = [&](std::int64_t position) { return std::int32_t(position * 7919 % count); };
    auto keyAt = [](std::int64_t position) {
        char key[16];
        std::snprintf(key, sizeof key, "!k%07lld", static_cast<long long>(position * 2));
        return std::string(key);
    };
    std::vector<std::uint8_t> bytes(headerSize + std::size_t(count) * entrySize);
    std::memcpy(&bytes[8], formatString, 11);
    PutLe32(&bytes[20], 2);
    for (int k = 0; k < skipSlots; ++k)
        PutLe32(&bytes[24 + 4 * std::size_t(k)], k == 0 ? number(0) : -1);
    PutLe32(&bytes[28], number(count - 1));
    for (std::int64_t p = 0; p < count; ++p) {
        CIndexEntry entry = NewEntry(keyAt(p), std::int32_t(p)); // the record is the position
        entry.previous = p == 0 ? -1 : number(p - 1);
        entry.next = p == count - 1 ? -1 : number(p + 1);
        entry.number = number(p);
        entry.Encode(&bytes[headerSize + std::size_t(number(p)) * entrySize]);
    }
    m_index.Close();
    WriteFileBytes(m_path, bytes);

    CIndexFile index;
    ASSERT_EQ(index.Open(m_path), 1);
    ASSERT_EQ(index.RebuildSkipTable(true), 1);
    const CIndexFile::Header& header = index.GetHeader();
    ASSERT_GE(header.skipLength, 2);
    ASSERT_LE(header.skipLength, skipSlots);
    EXPECT_EQ(header.skip[0], number(0));
    EXPECT_EQ(header.skip[std::size_t(header.skipLength - 1)], number(count - 1));
    std::int64_t last = 0, widest = 0;
    for (int k = 1; k < header.skipLength; ++k) {
        CIndexEntry entry;
        ASSERT_EQ(index.ReadEntry(entry, header.skip[std::size_t(k)]), 1) << "slot " << k;
        // Only the last slot may repeat the slot before it (a last entry on the stride).
        if (k + 1 < header.skipLength) {
            ASSERT_GT(entry.record, last) << "slot " << k;
        }
        widest = std::max(widest, entry.record - last);
        last = entry.record;
    }
    EXPECT_LE(widest, 2 * ((count + skipSlots - 2) / (skipSlots - 1))) << "slots spaced evenly";

    for (std::int64_t p = 0; p < count; p += 997) {
        ASSERT_EQ(index.FindExact(keyAt(p), true), number(p)) << p;
        ASSERT_EQ(index.FindFirstOrBefore(keyAt(p), true), number(p)) << p;
        ASSERT_EQ(index.FindFloor(keyAt(p) + "5", true), number(p)) << p;
    }
    EXPECT_EQ(index.FindExact(keyAt(count - 1), true), number(count - 1));

    // The list still takes insertions in the middle and at the end.
    CIndexEntry middle = NewEntry(keyAt(count / 2) + "5", -5), end = NewEntry("!z", -6);
    ASSERT_EQ(index.InsertKey(middle, true), 1);
    ASSERT_EQ(index.InsertKey(end, true), 1);
    EXPECT_EQ(index.FindExact(keyAt(count / 2) + "5", true), count);
    EXPECT_EQ(index.FindExact("!z", true), count + 1);
    EXPECT_LE(index.GetHeader().skipLength, skipSlots);
}

// Header counters at the top of their range: they wrap as unsigned values (no signed
// overflow) and a count past 0x7FFFFFFF still calls for a rebuild of the skip table.
TEST_F(IndexFileTest, HeaderCountersWrapAndStillRebuildTheSkipTable) {
    Insert("!b", 1);
    Insert("!d", 2);
    m_index.Close();
    const struct {
        std::int32_t generation, count;
        const char* key; // "!z" appends (a header write), "!c" goes in the middle
        std::uint32_t generationAfter, countAfter;
    } cases[] = {
        {0x7FFFFFFF, 0, "!z", 0x80000001u, 0},
        {-1, 5, "!z", 1, 0},
        {7, std::int32_t(0x80000000u), "!c", 8, 0},
        {7, 0x7FFFFFFF, "!c", 8, 0},
    };
    const std::vector<std::uint8_t> original = ReadFileBytes(m_path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + std::to_string(c.count));
        WriteFileBytes(m_path, original);
        PatchFileLe32(m_path, 0, c.generation);
        PatchFileLe32(m_path, 4, c.count);
        ASSERT_EQ(m_index.Open(m_path), 1);
        Insert(c.key, 3);
        m_index.Close();
        const std::vector<std::uint8_t> bytes = ReadFileBytes(m_path);
        EXPECT_EQ(GetLeU32(&bytes[0]), c.generationAfter);
        EXPECT_EQ(GetLeU32(&bytes[4]), c.countAfter);
    }
}

} // namespace
