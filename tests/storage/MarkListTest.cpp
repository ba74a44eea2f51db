// The mark list: its two empty states, its limit, paging with wrap-around and removal
// that keeps the marking order.
#include "storage/MarkList.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<std::int32_t> MarksOf(const CMarkList& list) {
    return {list.GetMarks().begin(), list.GetMarks().end()};
}

TEST(MarkListTest, NoListDiffersFromAnEmptyList) {
    CMarkList list;
    std::int32_t record = 0;
    EXPECT_FALSE(list.Exists());
    EXPECT_FALSE(list.FirstMark(record));

    ASSERT_TRUE(list.Mark(7));
    list.Unmark(7);
    EXPECT_TRUE(list.Exists()) << "removing the last mark keeps the list";
    EXPECT_FALSE(list.HasMarks());
    EXPECT_FALSE(list.NextMark(record));
    EXPECT_FALSE(list.LastMark(record));

    list.Mark(3);
    list.Mark(4);
    list.LastMark(record);
    list.UnmarkAll();
    EXPECT_FALSE(list.Exists());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Cursor(), 0);
}

TEST(MarkListTest, ARecordIsMarkedOnceAndTheListHoldsAtMost2048) {
    CMarkList list;
    for (int i = 1; i <= CMarkList::maxMarks; ++i)
        ASSERT_TRUE(list.Mark(i * 10));
    EXPECT_TRUE(list.Mark(10)) << "a record already marked counts as success when full";
    EXPECT_FALSE(list.Mark(5));
    EXPECT_FALSE(list.IsMarked(5));
    EXPECT_EQ(list.Count(), 2048);

    list.Unmark(20);
    EXPECT_TRUE(list.Mark(5)) << "room again after an unmark";
    EXPECT_EQ(list.GetMarks().back(), 5);
    EXPECT_EQ(list.Count(), 2048);
}

TEST(MarkListTest, UnmarkClosesTheGapAndKeepsTheOrder) {
    CMarkList list;
    for (std::int32_t record : {9, 4, 12, 4, 7, 1})
        list.Mark(record);
    EXPECT_EQ(MarksOf(list), (std::vector<std::int32_t>{9, 4, 12, 7, 1}));
    list.Unmark(12);
    list.Unmark(99);
    list.Unmark(9);
    EXPECT_EQ(MarksOf(list), (std::vector<std::int32_t>{4, 7, 1}));
    EXPECT_FALSE(list.IsMarked(12));
}

TEST(MarkListTest, PagingWrapsAtBothEnds) {
    CMarkList list;
    for (std::int32_t record : {100, 200, 300})
        list.Mark(record);
    std::int32_t record = 0;
    ASSERT_TRUE(list.FirstMark(record));
    EXPECT_EQ(record, 100);
    ASSERT_TRUE(list.PreviousMark(record));
    EXPECT_EQ(record, 300) << "previous from the first wraps to the last";
    EXPECT_EQ(list.Cursor(), 2);
    ASSERT_TRUE(list.NextMark(record));
    EXPECT_EQ(record, 100) << "next from the last wraps to the first";
    list.NextMark(record);
    EXPECT_EQ(record, 200);

    // An unmark may leave the cursor past the end; paging must stay inside the list.
    for (bool forward : {true, false}) {
        list.LastMark(record);
        list.Unmark(300);
        list.Unmark(200);
        ASSERT_TRUE(forward ? list.NextMark(record) : list.PreviousMark(record));
        EXPECT_EQ(record, 100);
        list.Mark(200);
        list.Mark(300);
    }
}

} // namespace
