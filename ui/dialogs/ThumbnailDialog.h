// CThumbnailDialog: the thumbnail browser ("Thumbnail", or "Marked data" for the marked
// records only), a modal window of 15 picture cells in three rows of five with each
// record's size and file name below. Clicking a cell shows its record in the picture view at
// once while the browser stays open; a double click or OK closes it on the selected cell.
// "&Prev" and "&Next" turn the page without changing the view. For the whole list, the
// right mouse button and "&Mark/Unmark" mark or unmark a record ("&Mark/Unmark" with Shift:
// every record of the page); the 8th use of the button in a run shows the hint "Click right
// mouse button to mark. " once per user ("MarkRClick"). The arrow keys move the selection.
//
// What is shown and done is CThumbnailPages's, opened by the caller before the browser is
// made; the browser only lays it out and passes the user's actions on.
#pragma once

#include "collection/Settings.h"
#include "collection/ThumbnailPages.h"

#include <QDialog>

#include <array>

class CPictureCell;
class QLabel;
class QPushButton;

class CThumbnailDialog : public QDialog {
    Q_OBJECT

public:
    // pages must have been opened (Open returned true) and outlive the dialog.
    CThumbnailDialog(CThumbnailPages& pages, ISettings& settings, QWidget* parent = nullptr);

    CPictureCell* Cell(int i) const { return m_cells[static_cast<std::size_t>(i)]; }
    QLabel* NameLabel(int i) const { return m_nameLabels[static_cast<std::size_t>(i)]; }
    QLabel* SizeLabel(int i) const { return m_sizeLabels[static_cast<std::size_t>(i)]; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowPage();
    void ShowSelection();
    void LeftClick(int cell);
    void RightClick(int cell);
    void MarkButton();
    void TurnPage(bool forward);

    CThumbnailPages& m_pages;
    ISettings& m_settings;
    std::array<CPictureCell*, CThumbnailPages::cellsPerPage> m_cells{};
    std::array<QLabel*, CThumbnailPages::cellsPerPage> m_nameLabels{};
    std::array<QLabel*, CThumbnailPages::cellsPerPage> m_sizeLabels{};
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_mark = nullptr;
};
