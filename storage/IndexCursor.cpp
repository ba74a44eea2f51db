#include "storage/IndexCursor.h"

#include "storage/IndexFile.h"

#include <string>

using namespace IndexFormat;

char CIndexCursor::FamilyPrefix() const {
    switch (m_order) {
    case OrderFamily::dateSaved:
        return dateFamily;
    case OrderFamily::keyword:
        return keywordFamily;
    default:
        return nameFamily;
    }
}

std::int32_t CIndexCursor::GetCurrentRecord() const {
    return m_current.flags == -1 ? -1 : m_current.record;
}

std::int32_t CIndexCursor::GetCurrentNumber() const {
    return m_current.flags == -1 ? -1 : m_current.number;
}

int CIndexCursor::GoTo(std::int32_t i) {
    // No entry to go to: the search before it has already set the last error, or none.
    if (i < 0)
        return 0;
    CIndexEntry entry;
    if (!m_file.ReadEntry(entry, i))
        return 0;
    m_current = entry;
    return 1;
}

int CIndexCursor::GoFirst() {
    return GoTo(m_file.FindFloor(std::string(1, FamilyPrefix()), false));
}

int CIndexCursor::GoLast() {
    return GoTo(m_file.FindFloor(std::string(1, FamilyPrefix()) + std::string(46, 'z'), false));
}

int CIndexCursor::Step(bool forward) {
    CIndexEntry current;
    if (!m_file.ReadEntry(current, m_current.number))
        return -1;
    const std::int32_t link = forward ? current.next : current.previous;
    if (link == -1)
        return 0;
    CIndexEntry neighbour;
    if (!m_file.ReadEntry(neighbour, link))
        return -1;
    if (neighbour.Key().empty() || neighbour.Key()[0] != FamilyPrefix())
        return 0;
    m_current = neighbour;
    return 1;
}

int CIndexCursor::GoPrevious(bool& wrapped) {
    return Move(false, wrapped);
}

int CIndexCursor::GoNext(bool& wrapped) {
    return Move(true, wrapped);
}

int CIndexCursor::Move(bool forward, bool& wrapped) {
    wrapped = false;
    if (m_current.flags != -1) {
        const int moved = Step(forward);
        if (moved != 0)
            return moved == 1 ? 1 : 0;
    }
    wrapped = true;
    return forward ? GoFirst() : GoLast();
}
