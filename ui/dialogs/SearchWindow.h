// CSearchWindow: the modeless "Search" window. The user types a keyword (or picks one from
// the keyword list, "%s [%d]" lines, which puts it into the field) and runs the search with
// "&Search" or a double-click on a line; "Search by &file name" searches file names
// instead. "&Update" fills the list again; "&Close" hides the window. The hidden button
// "キーワード一覧(&L)" (reached with Alt+L) asks for the "List of keywords" dialog.
//
// The window runs nothing itself: it asks its owner (the picture view) through its signals,
// and the owner reads the field and the check box through ISearchWindow.
#pragma once

#include "collection/Search.h"

#include <QDialog>

class CPictureDatabase;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class CSearchWindow : public QDialog, public ISearchWindow {
    Q_OBJECT

public:
    // Most lines the keyword list takes before it falls back to a higher threshold.
    static constexpr std::size_t keywordListCapacity = 4096;
    // Most characters of the search text.
    static constexpr int searchTextMaxLength = 46;

    // Fills the keyword list from db at once.
    CSearchWindow(CPictureDatabase& db, QWidget* parent);

    // Fills the keyword list again (thresholds 0, 1, 2).
    void FillKeywords();

    // ISearchWindow (UTF-8)
    std::string GetSearchText() override;
    void SetSearchText(const std::string& text) override;
    bool IsFileNameSearch() override;

signals:
    void searchRequested();
    void keywordListRequested();
    // The window was shown or hidden.
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnLineChosen(QListWidgetItem* item);

    CPictureDatabase& m_db;
    QLineEdit* m_text = nullptr;
    QListWidget* m_list = nullptr;
    QCheckBox* m_byFileName = nullptr;
};
