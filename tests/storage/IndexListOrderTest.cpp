// The list order a rebuild of the skip table reads its slots from, against a plain vector
// holding the same list.
#include "storage/IndexListOrder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Entries taken by Every(stride, limit) from the reference list, and its last entry.
std::vector<std::int32_t> Expected(const std::vector<std::int32_t>& list, std::int32_t stride,
                                   int limit) {
    std::vector<std::int32_t> taken;
    for (std::size_t k = 0; k < list.size() && static_cast<int>(taken.size()) < limit; k += stride)
        taken.push_back(list[k]);
    taken.push_back(list.back());
    return taken;
}

std::vector<std::int32_t> Taken(const CIndexListOrder& order, std::int32_t stride, int limit) {
    std::vector<std::int32_t> taken;
    const std::int32_t last =
        order.Every(stride, limit, [&](std::int32_t e) { taken.push_back(e); });
    taken.push_back(last);
    return taken;
}

// Insertions at the head, in the middle and at the end of a list built by a walk, many
// enough to split blocks over and over, read back at strides below and above a block.
TEST(IndexListOrderTest, FollowsInsertionsAndSplitsAtEveryStride) {
    std::mt19937 rng(5);
    std::vector<std::int32_t> list(3000);
    for (std::int32_t i = 0; i < 3000; ++i)
        list[static_cast<std::size_t>(i)] = (i * 7919) % 3000; // a list not in file order
    std::vector<std::int32_t> next(3000, -1);
    for (std::size_t k = 0; k + 1 < list.size(); ++k)
        next[static_cast<std::size_t>(list[k])] = list[k + 1];
    CIndexListOrder order;
    order.Build(list.front(), 3000,
                [&](std::int32_t i) { return next[static_cast<std::size_t>(i)]; });

    for (std::int32_t n = 3000; n < 12000; ++n) {
        const std::size_t pick = rng() % 10;
        if (pick == 0) {
            order.Append(n);
            list.push_back(n);
            continue;
        }
        // Mostly into one narrow stretch, so that the same blocks fill and split.
        const std::size_t at = pick == 1 ? 0 : 1000 + rng() % 64;
        order.InsertBefore(n, list[at]);
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), n);
    }
    ASSERT_TRUE(order.IsKnown());
    EXPECT_EQ(order.Size(), 12000);
    const struct {
        std::int32_t stride;
        int limit;
    } reads[] = {{1, 20000}, {32, 8191}, {33, 100}, {1500, 8191}, {12000, 8191}};
    for (const auto& read : reads)
        EXPECT_EQ(Taken(order, read.stride, read.limit), Expected(list, read.stride, read.limit))
            << read.stride;
}

TEST(IndexListOrderTest, ChangesItCannotPlaceOrALoopLeaveItUnknown) {
    CIndexListOrder order;
    std::vector<std::int32_t> next = {1, 2, -1};
    order.Build(0, 3, [&](std::int32_t i) { return next[static_cast<std::size_t>(i)]; });
    order.InsertBefore(3, 7); // 7 is on no list
    EXPECT_FALSE(order.IsKnown());

    order.Build(0, 3, [&](std::int32_t i) { return next[static_cast<std::size_t>(i)]; });
    order.Append(1); // already on the list
    EXPECT_FALSE(order.IsKnown());

    next = {1, 2, 0};
    EXPECT_ANY_THROW(
        order.Build(0, 3, [&](std::int32_t i) { return next[static_cast<std::size_t>(i)]; }));
    EXPECT_FALSE(order.IsKnown());
}

} // namespace
