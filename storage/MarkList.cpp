#include "storage/MarkList.h"

#include <algorithm>

bool CMarkList::Mark(std::int32_t record) {
    if (!m_exists) {
        m_marks.reserve(initialRoom);
        m_exists = true;
    }
    if (IsMarked(record))
        return true;
    if (Count() >= maxMarks)
        return false;
    m_marks.push_back(record);
    return true;
}

void CMarkList::Unmark(std::int32_t record) {
    auto it = std::find(m_marks.begin(), m_marks.end(), record);
    if (it != m_marks.end())
        m_marks.erase(it);
}

bool CMarkList::IsMarked(std::int32_t record) const {
    return std::find(m_marks.begin(), m_marks.end(), record) != m_marks.end();
}

void CMarkList::UnmarkAll() {
    m_marks.clear();
    m_marks.shrink_to_fit();
    m_exists = false;
    m_cursor = 0;
}

bool CMarkList::FirstMark(std::int32_t& record) {
    if (!HasMarks())
        return false;
    m_cursor = 0;
    record = m_marks[0];
    return true;
}

bool CMarkList::LastMark(std::int32_t& record) {
    if (!HasMarks())
        return false;
    m_cursor = Count() - 1;
    record = m_marks[static_cast<std::size_t>(m_cursor)];
    return true;
}

bool CMarkList::NextMark(std::int32_t& record) {
    if (!HasMarks())
        return false;
    ++m_cursor;
    if (m_cursor >= Count() || m_cursor < 0)
        m_cursor = 0;
    record = m_marks[static_cast<std::size_t>(m_cursor)];
    return true;
}

bool CMarkList::PreviousMark(std::int32_t& record) {
    if (!HasMarks())
        return false;
    --m_cursor;
    // An unmark can leave the cursor past the end; it then continues from the last mark.
    if (m_cursor < 0 || m_cursor >= Count())
        m_cursor = Count() - 1;
    record = m_marks[static_cast<std::size_t>(m_cursor)];
    return true;
}
