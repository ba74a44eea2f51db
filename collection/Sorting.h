// The order of the full list and the commands that choose it: Sort, "Display all" and the
// view's rebuild of the full list. No record moves: each order is one key family of the
// index, and sorting chooses which family the cursor walks. The order chosen is kept in
// the setting "SortType" of section "Options" (0 by file name, 1 by date saved).
//
// The view keeps its own list mode (ListMode below); the functions reach it, and the
// windows around it, through IListView, which the Qt view implements and tests script.
#pragma once

#include "collection/Settings.h"

class CPicdexDoc;

// The view's list modes.
namespace ListMode {
enum : int { byName = 0, byDate = 1, searchResult = 2 };
}

class IListView {
public:
    virtual ~IListView() = default;

    virtual int GetListMode() const = 0;
    virtual void SetListMode(int mode) = 0;
    // The data-properties window writes keyword edits into the current record.
    virtual void CommitPendingEdits() {}
    // The bar for paging among marked records is hidden (all marks were cleared).
    virtual void HideMarkBar() {}
    virtual void Repaint() {}
    // Realise the shown picture's palette, repaint, and refresh the data-properties window.
    virtual void RefreshView() {}
};

// The Sort dialog: sortType arrives as the stored order and holds the one chosen on OK.
class ISortDialog {
public:
    virtual ~ISortDialog() = default;
    // False on Cancel.
    virtual bool AskSortType(int& sortType) = 0;
};

// The stored "SortType": 0 or 1; anything else stored reads as 0.
int GetSortType(ISettings& settings);

// Clears every mark (no mark list afterwards) and hides the bar for paging among them.
void ClearAllMarks(CPicdexDoc& doc, IListView& view);

// Ends any search and shows the top of the full list in the view's list mode; any list
// mode other than by name or by date does nothing after the marks are cleared.
void RebuildList(CPicdexDoc& doc, IListView& view);
// The Sort command: on OK stores the choice, takes it as the list mode and rebuilds.
// False when the dialog was cancelled (nothing changed).
bool SortCommand(CPicdexDoc& doc, IListView& view, ISortDialog& dialog, ISettings& settings);
// Back from a search to the full list in the stored order.
void DisplayAll(CPicdexDoc& doc, IListView& view, ISettings& settings);
