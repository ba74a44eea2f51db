#include "storage/IndexListOrder.h"

#include "platform/FileException.h"

#include <algorithm>

namespace {
// Entries per block at most; a full block splits in two halves. Built blocks start half
// full, so that insertions spread over the list rarely split.
constexpr std::size_t maxBlock = 1024;
} // namespace

void CIndexListOrder::Drop() {
    m_known = false;
    m_size = 0;
    m_order.clear();
    m_blocks.clear();
    m_blockOf.clear();
}

void CIndexListOrder::Build(std::int32_t first, std::int32_t entries,
                            const std::function<std::int32_t(std::int32_t)>& nextOf) {
    Drop();
    std::vector<std::int32_t> list;
    for (std::int64_t budget = std::int64_t{entries} + 1; first != -1; --budget) {
        if (budget <= 0 || first < 0 || first >= entries)
            throw CFileException(FileCause::generic);
        list.push_back(first);
        first = nextOf(first);
    }
    m_blockOf.assign(static_cast<std::size_t>(entries), -1);
    for (std::size_t k = 0; k < list.size(); k += maxBlock / 2) {
        const auto id = static_cast<std::uint32_t>(m_blocks.size());
        const std::size_t end = std::min(list.size(), k + maxBlock / 2);
        m_blocks.emplace_back(list.begin() + static_cast<std::ptrdiff_t>(k),
                              list.begin() + static_cast<std::ptrdiff_t>(end));
        m_order.push_back(id);
        for (std::size_t j = k; j < end; ++j)
            m_blockOf[static_cast<std::size_t>(list[j])] = static_cast<std::int32_t>(id);
    }
    m_size = static_cast<std::int64_t>(list.size());
    m_known = true;
}

void CIndexListOrder::InsertBefore(std::int32_t n, std::int32_t p) {
    if (!m_known)
        return;
    if (p < 0 || static_cast<std::size_t>(p) >= m_blockOf.size() || m_blockOf[p] < 0)
        return Drop();
    const auto id = static_cast<std::size_t>(m_blockOf[static_cast<std::size_t>(p)]);
    std::vector<std::int32_t>& block = m_blocks[id];
    const auto at = std::find(block.begin(), block.end(), p);
    if (at == block.end())
        return Drop();
    block.insert(at, n);
    Place(n, id);
}

void CIndexListOrder::Append(std::int32_t n) {
    if (!m_known)
        return;
    if (m_order.empty()) {
        m_order.push_back(static_cast<std::uint32_t>(m_blocks.size()));
        m_blocks.emplace_back();
    }
    const std::size_t id = m_order.back();
    m_blocks[id].push_back(n);
    Place(n, id);
}

void CIndexListOrder::Place(std::int32_t n, std::size_t id) {
    const auto at = static_cast<std::size_t>(n);
    if (n < 0)
        return Drop();
    if (at >= m_blockOf.size())
        m_blockOf.resize(at + 1, -1);
    // An entry already on the list cannot be linked in again: the order is not the file's.
    if (m_blockOf[at] >= 0)
        return Drop();
    m_blockOf[at] = static_cast<std::int32_t>(id);
    ++m_size;
    SplitIfFull(id);
}

void CIndexListOrder::SplitIfFull(std::size_t id) {
    if (m_blocks[id].size() <= maxBlock)
        return;
    const std::size_t half = m_blocks[id].size() / 2;
    std::vector<std::int32_t> upper(m_blocks[id].begin() + static_cast<std::ptrdiff_t>(half),
                                    m_blocks[id].end());
    m_blocks[id].resize(half);
    const auto newId = static_cast<std::uint32_t>(m_blocks.size());
    for (std::int32_t entry : upper)
        m_blockOf[static_cast<std::size_t>(entry)] = static_cast<std::int32_t>(newId);
    m_blocks.push_back(std::move(upper));
    const auto place = std::find(m_order.begin(), m_order.end(), static_cast<std::uint32_t>(id));
    m_order.insert(place + 1, newId);
}

std::int32_t CIndexListOrder::Every(std::int32_t stride, int limit,
                                    const std::function<void(std::int32_t)>& take) const {
    std::int64_t base = 0, next = 0;
    int taken = 0;
    std::int32_t last = -1;
    for (std::uint32_t id : m_order) {
        const std::vector<std::int32_t>& block = m_blocks[id];
        const std::int64_t end = base + static_cast<std::int64_t>(block.size());
        for (; taken < limit && next < end; ++taken, next += stride)
            take(block[static_cast<std::size_t>(next - base)]);
        base = end;
        if (!block.empty())
            last = block.back();
    }
    return last;
}
