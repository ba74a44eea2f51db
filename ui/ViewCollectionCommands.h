// CViewCollectionCommands: the picture view's commands over the whole collection that have
// windows of their own: Add with its add-files browser, the search window with its "List of
// keywords" dialog, and Tools > Reconstruct and Tools > Data exchange.
#pragma once

#include <QPointer>

class CPicdexView;
class CSearchWindow;
class IAddDialogs;

class CViewCollectionCommands {
public:
    // view outlives this object.
    explicit CViewCollectionCommands(CPicdexView& view);

    // The Add command: the add-files browser over dialogs, then the chosen files stored in
    // list order. Nothing without dialogs.
    void Add(IAddDialogs* dialogs, bool ignoreDuplicates);
    // The search window: created visible at the first call, then hidden or shown in turn.
    void ToggleSearchWindow();
    bool IsSearchWindowVisible() const;
    // Null before the first ToggleSearchWindow.
    CSearchWindow* SearchWindow() const;
    void Reconstruct();
    void DataExchange();

private:
    // The search window's requests: run its search, or search for a keyword chosen in the
    // "List of keywords" dialog.
    void RunSearchFromWindow();
    void OpenKeywordListFromWindow();

    CPicdexView& m_view;
    QPointer<CSearchWindow> m_searchWindow;
};
