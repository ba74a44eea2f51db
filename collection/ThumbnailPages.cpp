#include "collection/ThumbnailPages.h"

#include "collection/PicdexDoc.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"

#include <algorithm>

namespace {
constexpr const char* notFoundMessage = "Data not found";
// The thumbnail is read into memory in steps of this many bytes.
constexpr std::size_t thumbnailGrowth = 8192;
constexpr int hintUse = 8;
} // namespace

CThumbnailPages::CThumbnailPages(CPicdexDoc& doc, IDocumentView& view, bool markedMode)
    : m_doc(doc), m_view(view), m_marked(markedMode) {}

bool CThumbnailPages::Open() {
    if (!(m_marked ? OpenMarked() : OpenWholeList())) {
        ShowMessage(notFoundMessage);
        return false;
    }
    return true;
}

bool CThumbnailPages::OpenMarked() {
    const CMarkList& marks = m_doc.Database().Marks();
    if (!marks.HasMarks())
        return false;
    m_total = marks.Count();
    m_page = 0;
    FillMarkedPage();
    m_selected = 0;
    ShowCell(0);
    return true;
}

bool CThumbnailPages::OpenWholeList() {
    CPictureDatabase& db = m_doc.Database();
    if (!db.IsOpen())
        return false;
    const CIndexEntry start = db.Index().Current();
    if (start.flags == -1 || start.number < 0 || start.Key().empty())
        return false;
    m_family = start.Key()[0];
    if (db.IsSearching() && CompareKeys(start.Key(), db.GetSearchKey(), true) == 0)
        m_searchKey = db.GetSearchKey();

    // The live entries of the list before the current one; the entries after it need not
    // be counted, so opening near the top of a long list is quick.
    int position = 0;
    CIndexEntry entry;
    std::int32_t number = start.previous;
    for (std::int32_t budget = db.Index().EntryCount();
         budget > 0 && Read(number, entry) && InList(entry); --budget, number = entry.previous)
        position += entry.IsDeleted() ? 0 : 1;
    m_page = position / cellsPerPage;

    // Back to the first entry of the current record's page: position mod 15 live entries.
    CIndexEntry first = start;
    for (int back = position % cellsPerPage; back > 0; --back) {
        CIndexEntry previous;
        if (!FindLive(first.previous, false, previous))
            break;
        first = previous;
    }
    // A current entry deleted meanwhile: the live one after it, else the one before.
    if (first.IsDeleted() && !FindLive(first.number, true, first) &&
        !FindLive(first.previous, false, first))
        return false;
    FillFrom(first);
    m_selected = 0;
    for (int i = 0; i < m_filled; ++i)
        if (m_cells[static_cast<std::size_t>(i)].entry.number == start.number)
            m_selected = i;
    return m_filled > 0;
}

bool CThumbnailPages::InList(const CIndexEntry& entry) const {
    const std::string_view key = entry.Key();
    if (key.empty() || key[0] != m_family)
        return false;
    return m_searchKey.empty() || CompareKeys(key, m_searchKey, true) == 0;
}

bool CThumbnailPages::Read(std::int32_t number, CIndexEntry& entry) {
    return number >= 0 && m_doc.Database().Index().ReadEntry(entry, number) != 0;
}

bool CThumbnailPages::FindLive(std::int32_t number, bool forward, CIndexEntry& entry) {
    CIndexFile& index = m_doc.Database().Index();
    for (std::int32_t budget = index.EntryCount(); budget > 0; --budget) {
        CIndexEntry candidate;
        if (!Read(number, candidate) || !InList(candidate))
            return false;
        if (!candidate.IsDeleted()) {
            entry = candidate;
            return true;
        }
        number = forward ? candidate.next : candidate.previous;
    }
    return false;
}

void CThumbnailPages::FillFrom(const CIndexEntry& first) {
    CIndexEntry entry = first;
    int i = 0;
    for (; i < cellsPerPage; ++i) {
        CThumbnailCell& cell = m_cells[static_cast<std::size_t>(i)];
        LoadCell(cell, entry.record);
        cell.entry = entry;
        if (i + 1 == cellsPerPage || !FindLive(entry.next, true, entry)) {
            ++i;
            break;
        }
    }
    m_filled = i;
    ClearFrom(m_filled);
    CIndexEntry other;
    m_canPrevious = FindLive(m_cells[0].entry.previous, false, other);
    m_canNext = FindLive(m_cells[static_cast<std::size_t>(m_filled - 1)].entry.next, true, other);
}

void CThumbnailPages::FillMarkedPage() {
    const auto marks = m_doc.Database().Marks().GetMarks();
    m_filled = 0;
    for (int i = 0; i < cellsPerPage; ++i) {
        const int at = m_page * cellsPerPage + i;
        if (at >= m_total || at >= static_cast<int>(marks.size()))
            break;
        CThumbnailCell& cell = m_cells[static_cast<std::size_t>(i)];
        LoadCell(cell, marks[static_cast<std::size_t>(at)]);
        cell.entry = CIndexEntry();
        cell.entry.record = marks[static_cast<std::size_t>(at)];
        m_filled = i + 1;
    }
    ClearFrom(m_filled);
    m_canPrevious = m_page > 0;
    m_canNext = m_page < PageCount() - 1;
}

void CThumbnailPages::LoadCell(CThumbnailCell& cell, std::int32_t record) {
    CPictureDatabase& db = m_doc.Database();
    cell.image.reset();
    cell.name.clear();
    cell.sizeText.clear();
    cell.marked = db.Marks().IsMarked(record);
    CRecordHead head;
    if (!db.ReadHead(head, record))
        return;
    cell.name = head.FileName();
    CMemFile bytes(thumbnailGrowth);
    if (!db.ReadThumbnail(bytes, head))
        return;
    auto gif = std::make_unique<PxGif>();
    if (!gif->LoadFromFile(bytes) || !gif->HasImage())
        return;
    cell.image = std::move(gif);
    cell.sizeText = std::to_string(head.Width()) + " x " + std::to_string(head.Height());
}

void CThumbnailPages::ClearFrom(int first) {
    for (int i = first; i < cellsPerPage; ++i) {
        CThumbnailCell& cell = m_cells[static_cast<std::size_t>(i)];
        cell.entry = CIndexEntry();
        cell.image.reset();
        cell.name.clear();
        cell.sizeText.clear();
        cell.marked = false;
    }
}

bool CThumbnailPages::Select(int cell) {
    if (cell < 0 || cell >= m_filled)
        return false;
    m_selected = cell;
    return true;
}

bool CThumbnailPages::GoNext() {
    if (m_marked) {
        if (m_page + 1 >= PageCount())
            return false;
        ++m_page;
        FillMarkedPage();
    } else {
        CIndexEntry first;
        if (m_filled == 0 ||
            !FindLive(m_cells[static_cast<std::size_t>(m_filled - 1)].entry.next, true, first))
            return false;
        ++m_page;
        FillFrom(first);
    }
    m_selected = 0;
    return true;
}

bool CThumbnailPages::GoPrevious() {
    if (m_marked) {
        if (m_page == 0)
            return false;
        --m_page;
        FillMarkedPage();
    } else {
        CIndexEntry first;
        if (m_filled == 0 || !FindLive(m_cells[0].entry.previous, false, first))
            return false;
        // 14 more live entries back: the page before, aligned as it was.
        for (int back = cellsPerPage - 1; back > 0; --back) {
            CIndexEntry previous;
            if (!FindLive(first.previous, false, previous))
                break;
            first = previous;
        }
        m_page = std::max(0, m_page - 1);
        FillFrom(first);
    }
    m_selected = 0;
    return true;
}

bool CThumbnailPages::ShowCell(int i) {
    if (i < 0 || i >= m_filled)
        return false;
    const CThumbnailCell& cell = m_cells[static_cast<std::size_t>(i)];
    CPictureDatabase& db = m_doc.Database();
    m_view.CommitPendingEdits();
    m_view.SetRedraw(false);
    bool shown = false;
    if (m_marked) {
        // The record's entry in the current list; a mark outside it is not shown.
        shown = db.LocateRecord(cell.entry.record) &&
                db.Index().GetCurrentRecord() == cell.entry.record &&
                !db.Index().Current().IsDeleted();
        if (shown)
            m_doc.ReloadCurrent();
    } else {
        // Read again: the entry may have been deleted since the page was filled.
        CIndexEntry entry;
        shown = Read(cell.entry.number, entry) && !entry.IsDeleted() &&
                entry.record == cell.entry.record;
        if (shown)
            m_doc.ShowEntry(entry);
    }
    m_view.SetRedraw(true);
    m_view.RealizePalette();
    m_view.Repaint();
    if (shown)
        m_view.ShowCurrentRecord();
    return shown;
}

bool CThumbnailPages::ToggleMark(int i) {
    if (m_marked || i < 0 || i >= m_filled)
        return false;
    CThumbnailCell& cell = m_cells[static_cast<std::size_t>(i)];
    CMarkList& marks = m_doc.Database().Marks();
    if (marks.IsMarked(cell.entry.record))
        marks.Unmark(cell.entry.record);
    else
        marks.Mark(cell.entry.record);
    cell.marked = marks.IsMarked(cell.entry.record);
    m_view.Repaint();
    return true;
}

void CThumbnailPages::TogglePageMarks() {
    for (int i = 0; i < m_filled; ++i)
        ToggleMark(i);
}

bool CThumbnailPages::CountMarkButtonUse(ISettings& settings) {
    static int uses = 0;
    if (++uses != hintUse)
        return false;
    if (GetProfileInt(settings, "Options", "MarkRClick", 1) != 1)
        return false;
    WriteProfileInt(settings, "Options", "MarkRClick", 0);
    return true;
}

PxGif* CThumbnailPages::SharedPaletteSource() {
    return m_doc.GetDefaultGif();
}
