// CIndexListOrder: the index writer's copy of the order of its list (entry numbers from
// the first entry to the last) kept in blocks of at most 1024, so that the entry at any
// list position is found by adding block sizes instead of walking links. A rebuild of the
// skip table then costs a few thousand steps instead of a walk of the whole list, which
// at a million entries cost milliseconds of cache misses every 256 insertions.
//
// The order is only as good as the changes it was told about: it is built from a walk of
// the list and then follows InsertBefore and Append; any other change to the links (a
// rollback, an entry written from outside, a failed write) must Drop it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class CIndexListOrder {
public:
    bool IsKnown() const { return m_known; }
    void Drop();
    // Walks the list from first along nextOf (which throws on a file error or damage);
    // a list longer than entries is a loop and throws CFileException, leaving it unknown.
    void Build(std::int32_t first, std::int32_t entries,
               const std::function<std::int32_t(std::int32_t)>& nextOf);
    // Entry n was linked in before entry p, or after the last entry (also as the first
    // entry of an empty list). An entry the order does not hold drops it.
    void InsertBefore(std::int32_t n, std::int32_t p);
    void Append(std::int32_t n);

    std::int64_t Size() const { return m_size; }
    // Calls take(entry) for the entries at positions 0, stride, 2 x stride, ... up to
    // limit of them, in order; then returns the last entry of the list (-1 when empty).
    std::int32_t Every(std::int32_t stride, int limit,
                       const std::function<void(std::int32_t)>& take) const;

private:
    void Place(std::int32_t n, std::size_t block);
    void SplitIfFull(std::size_t at);

    bool m_known = false;
    std::int64_t m_size = 0;
    // Block ids in list order, and the entries of each block id in list order.
    std::vector<std::uint32_t> m_order;
    std::vector<std::vector<std::int32_t>> m_blocks;
    // The block id holding each entry; -1 for entries not on the list.
    std::vector<std::int32_t> m_blockOf;
};
