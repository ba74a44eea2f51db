// The mark list's paging: wrap-around at both ends, and a cursor left past the end by an
// unmark. The limit and marking order are exercised through the mark commands.
#include "storage/MarkList.h"

#include <gtest/gtest.h>

namespace {

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
