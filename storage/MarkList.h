// CMarkList: the records the user has marked, as main-file head blocks in the order of
// marking, with a cursor for paging among them. Lives in memory only.
//
// "No list" (never marked, or after UnmarkAll) and "an empty list" (marks made and all
// removed) are different states: the marked-data commands need a list with marks.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class CMarkList {
public:
    static constexpr int maxMarks = 2048;
    static constexpr int initialRoom = 2064;

    // False only when the list is full; a record already marked counts as success.
    bool Mark(std::int32_t record);
    // Removes record if present, keeping the order of the others.
    void Unmark(std::int32_t record);
    bool IsMarked(std::int32_t record) const;
    // Frees the list: no list, count 0, cursor 0.
    void UnmarkAll();

    bool Exists() const { return m_exists; }
    int Count() const { return static_cast<int>(m_marks.size()); }
    bool HasMarks() const { return m_exists && !m_marks.empty(); }
    // The marks in marking order; empty when there is no list.
    std::span<const std::int32_t> GetMarks() const { return m_marks; }
    int Cursor() const { return m_cursor; }

    // Each returns false when there is no mark, else puts the record in `record`.
    // First and last set the cursor to the ends; next and previous step it and wrap.
    bool FirstMark(std::int32_t& record);
    bool LastMark(std::int32_t& record);
    bool NextMark(std::int32_t& record);
    bool PreviousMark(std::int32_t& record);

private:
    std::vector<std::int32_t> m_marks;
    bool m_exists = false;
    int m_cursor = 0;
};
