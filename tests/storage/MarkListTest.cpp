// The mark list's paging with a cursor left past the end by an unmark. Wrapping at both
// ends, the limit and marking order are exercised through the mark commands.
#include "storage/MarkList.h"

#include <gtest/gtest.h>

namespace {

TEST(MarkListTest, PagingStaysInsideTheListAfterAnUnmarkAtTheCursor) {
    CMarkList list;
    for (std::int32_t record : {100, 200, 300})
        list.Mark(record);
    std::int32_t record = 0;
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
