// CThumbnailPages: what the thumbnail browser shows, without a window. The stored thumbnails
// of the records in pages of 15 cells, in one of two modes:
//  - the whole list: the live entries of the current key family (or of the search range
//    while one is in force), paged in steps of 15 counted from the top of the list, opening
//    on the page that holds the current record with its cell selected;
//  - the marked records only, in marking order, opening on the first page with the first
//    marked record shown at once.
// Each filled cell holds the record's index entry (marked mode: the record only, its entry
// is found when it is shown), its file name, its decoded thumbnail (none when it cannot be
// read or decoded; the size text is then empty) and whether it is marked.
//
// Showing a cell makes its record the document's current record and redraws the view at
// once; marking goes to the database's mark list. Entries flagged deleted never occupy a
// cell and are skipped by paging. Every walk along the index is bounded by its number of
// entries, so a damaged index ends a page early instead of looping.
#pragma once

#include "collection/DocumentView.h"
#include "collection/Settings.h"
#include "imaging/PxGif.h"
#include "storage/IndexEntry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class CPicdexDoc;

inline constexpr const char* markHintText = "Click right mouse button to mark. ";

struct CThumbnailCell {
    // previous = next = -1 and record -1 for an empty cell.
    CIndexEntry entry;
    std::string name;
    // "width x height" of the picture when the thumbnail was decoded, else empty.
    std::string sizeText;
    // The decoded thumbnail; null when there is none.
    std::unique_ptr<PxGif> image;
    bool marked = false;

    bool IsFilled() const { return entry.record >= 0; }
};

class CThumbnailPages {
public:
    static constexpr int cellsPerPage = 15;

    // view is told when the current record or a mark changed; it must outlive this object.
    CThumbnailPages(CPicdexDoc& doc, IDocumentView& view, bool markedMode);

    // Fills the first page: marked mode shows its first record in the view at once. False,
    // after "Data not found", when there is no mark, no current record or an empty list.
    bool Open();

    bool IsMarkedMode() const { return m_marked; }
    // Marked mode: the number of marked records and of their pages (the whole list is not
    // counted past the page shown).
    int Total() const { return m_total; }
    int PageCount() const { return (m_total + cellsPerPage - 1) / cellsPerPage; }
    // The page shown, from 0 (whole list: counted from the top of the list).
    int Page() const { return m_page; }
    int FilledCount() const { return m_filled; }
    const CThumbnailCell& Cell(int i) const { return m_cells[static_cast<std::size_t>(i)]; }
    int SelectedCell() const { return m_selected; }
    // Selects a filled cell; false (nothing changes) for an empty one.
    bool Select(int cell);

    bool CanGoPrevious() const { return m_canPrevious; }
    bool CanGoNext() const { return m_canNext; }
    // Turns the page and selects its first cell; false when there is no such page. The view
    // is not changed.
    bool GoNext();
    bool GoPrevious();

    // Makes the cell's record current and redraws the view; false for an empty cell or a
    // record no longer in the list.
    bool ShowCell(int cell);
    // Whole-list mode: marks the cell's record, or unmarks it when marked, and redraws the
    // view. A full mark list leaves it unmarked without a message. False for an empty cell
    // and in marked mode.
    bool ToggleMark(int cell);
    // Whole-list mode: toggles every filled cell of the page in turn.
    void TogglePageMarks();

    // Counts a use of the "&Mark/Unmark" button (process-wide). True on the 8th use while
    // "MarkRClick" of section "Options" (default 1) is 1: the caller shows the hint once,
    // and the setting is now 0.
    static bool CountMarkButtonUse(ISettings& settings);

    // The picture whose palette every thumbnail is drawn with on displays of 256 colours
    // or fewer; null otherwise (each thumbnail then uses its own).
    PxGif* SharedPaletteSource();

private:
    bool OpenMarked();
    bool OpenWholeList();
    bool InList(const CIndexEntry& entry) const;
    bool Read(std::int32_t number, CIndexEntry& entry);
    // The first live entry of the list from number on (forward) or back (backward); false
    // when the list ends first.
    bool FindLive(std::int32_t number, bool forward, CIndexEntry& entry);
    // Fills the page from the live entry first on.
    void FillFrom(const CIndexEntry& first);
    void FillMarkedPage();
    void LoadCell(CThumbnailCell& cell, std::int32_t record);
    void ClearFrom(int cell);

    CPicdexDoc& m_doc;
    IDocumentView& m_view;
    bool m_marked;
    int m_total = 0;
    int m_page = 0;
    int m_filled = 0;
    int m_selected = 0;
    bool m_canPrevious = false;
    bool m_canNext = false;
    char m_family = 0;
    std::string m_searchKey;
    std::array<CThumbnailCell, cellsPerPage> m_cells;
};
