#include "collection/Sorting.h"

#include "collection/PicdexDoc.h"

#include <string>

namespace {
constexpr const char* optionsSection = "Options";
constexpr const char* sortTypeKey = "SortType";
} // namespace

int GetSortType(ISettings& settings) {
    const std::string value = settings.GetProfileString(optionsSection, sortTypeKey, "0");
    return value == "1" ? ListMode::byDate : ListMode::byName;
}

void ClearAllMarks(CPicdexDoc& doc, IListView& view) {
    doc.Database().Marks().UnmarkAll();
    view.HideMarkBar();
}

void RebuildList(CPicdexDoc& doc, IListView& view) {
    view.CommitPendingEdits();
    ClearAllMarks(doc, view);
    // The view's list modes and the index families number the two orders the other way round.
    switch (view.GetListMode()) {
    case ListMode::byName:
        doc.ShowAll(OrderFamily::fileName, true);
        break;
    case ListMode::byDate:
        doc.ShowAll(OrderFamily::dateSaved, true);
        break;
    default:
        break;
    }
}

bool SortCommand(CPicdexDoc& doc, IListView& view, ISortDialog& dialog, ISettings& settings) {
    int sortType = GetSortType(settings);
    if (!dialog.AskSortType(sortType))
        return false;
    if (sortType != ListMode::byDate)
        sortType = ListMode::byName;
    settings.WriteProfileString(optionsSection, sortTypeKey, std::to_string(sortType));
    view.SetListMode(sortType);
    RebuildList(doc, view);
    return true;
}

void DisplayAll(CPicdexDoc& doc, IListView& view, ISettings& settings) {
    view.SetListMode(GetSortType(settings));
    RebuildList(doc, view);
}
