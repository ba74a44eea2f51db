#include "storage/IndexSkipTable.h"

#include "platform/FileException.h"

#include <algorithm>

using namespace IndexFormat;

void CIndexSkipTable::Forget() {
    m_order.Drop();
    ForgetKeys();
}

void CIndexSkipTable::ForgetKeys() {
    for (auto& cached : m_slotKeys)
        cached.first = -1;
}

bool CIndexSkipTable::IsSane(std::int32_t entries) const {
    if (m_header.skipLength < 0 || m_header.skipLength == 1 || m_header.skipLength > skipSlots)
        return false;
    for (int k = 0; k < m_header.skipLength; ++k) {
        const std::int32_t slot = At(k);
        // A used slot always names an entry: -1 there would read as an empty list.
        if (slot < 0 || slot >= entries)
            return false;
    }
    return true;
}

// An entry's key never changes once written (only its links and flags do), so the keys
// of the slot entries can be kept between searches while the header stays the same. A
// failed add taken back by its writer cuts its entries off and their numbers go to the
// next entries, so the keys are forgotten whenever the header is read again.
const std::string& CIndexSkipTable::SlotKey(int slot, std::int32_t entry, const KeyOf& keyOf) {
    if (m_slotKeys.size() <= static_cast<std::size_t>(slot))
        m_slotKeys.resize(static_cast<std::size_t>(slot) + 1, {-1, {}});
    auto& cached = m_slotKeys[static_cast<std::size_t>(slot)];
    if (cached.first != entry) {
        cached.second = keyOf(entry);
        cached.first = entry;
    }
    return cached.second;
}

int CIndexSkipTable::StartSlot(std::string_view key, bool foldCase, bool firstOfEqual,
                               const KeyOf& keyOf) {
    if (!m_sane)
        throw CFileException(FileCause::generic);
    const int length = m_header.skipLength;
    if (length <= 0 || At(0) == -1)
        return -1;
    // Slot 0 when no slot qualifies, since a walk from the first entry finds everything.
    int low = 0, high = length - 1, found = 0;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const std::int32_t slot = At(middle);
        const int c = slot < 0 ? 1 : CompareKeys(SlotKey(middle, slot, keyOf), key, foldCase);
        if (firstOfEqual ? c < 0 : c <= 0) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return found;
}

void CIndexSkipTable::Rebuild(std::int32_t entries, const NextOf& nextOf) {
    if (!m_order.IsKnown())
        m_order.Build(At(0), entries, nextOf);
    std::fill(m_header.skip.begin(), m_header.skip.end(), -1);
    int used = 0;
    const std::int32_t last =
        m_order.Every(SkipStrideFor(entries), skipSlots - 1, [&](std::int32_t entry) {
            m_header.skip[static_cast<std::size_t>(used++)] = entry;
        });
    m_header.skip[static_cast<std::size_t>(used++)] = last;
    m_header.skipLength = used;
    m_sane = true;
}
