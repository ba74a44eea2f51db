// CPicdexView: the picture view, the single view of the document. It shows the current
// record's picture zoomed and panned (PxPanView), with the mark sign on a marked record,
// and carries out most commands: it registers its handlers with the frame's command router
// and runs the view's own work (zoom, panning, copy, drop, drag out, printing, dialogs),
// handing collection work to the document and the collection commands. It tells the frame
// around it through IViewFrame.
#pragma once

#include "collection/AddDialogs.h"
#include "collection/MarkCommands.h"
#include "collection/Settings.h"
#include "collection/Sorting.h"
#include "ui/PxPanView.h"
#include "ui/ViewFrame.h"
#include "ui/commands/CommandIds.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBitmap;
class CCommandRouter;
class CMarkBar;
class CPicdexDoc;
class CSearchWindow;
class CSlideShow;
class CPropertiesWindow;
class CViewMarkDialogs;
class IPasswordDialog;
class QPrinter;

class CPicdexView : public PxPanView, public IMarkView, public IListView, public IAddWindows {
    Q_OBJECT

public:
    // Reads "SortType", "Force256" (GetForce256) and "IgnoreDuply" from section "Options"
    // and sets the process-wide 256-colour flag; registers with the document. The view
    // accepts dropped files and is in zoom normal from here on (the initial update).
    CPicdexView(CPicdexDoc& doc, IViewFrame& frame, ISettings& settings, QWidget* parent = nullptr);
    ~CPicdexView() override;

    // Registers the view's command handlers and the state the enable rules look at with
    // router; the pop-up menu runs its items through it. router must outlive the view, which
    // takes its handlers and state back when it is destroyed.
    void RegisterCommands(CCommandRouter& router);
    CCommandState GetCommandState();

    // Private message 0x44D: opens the initial database at path (Part of start-up). On
    // failure the frame is closed and false returned.
    bool OpenInitialDatabase(const std::string& path);
    // The view side of opening a database by path: a second instance when a database is
    // open (and this view goes back to 100 %), else the document's open; on failure the
    // frame is closed. 1 opened here, 0 failed, -1 handed to a second instance.
    int OpenDatabaseByPath(const std::string& path);
    // Private message 0x466 from the zoom box: ZoomPercent with min(value, 500), the
    // value compared as unsigned.
    void ApplyZoomValue(int value);
    // Writes the current zoom, as a rounded whole percentage, into the frame's zoom box.
    void ShowZoomPercent();
    // Private message 0x400.
    void RealizePicturePalette(bool foreground);
    // The key of the current index entry, for the title while a search result is shown.
    std::string GetCurrentKey();

    // The data-properties window (null until command 32787 first shows it) and whether it
    // holds keyword edits not yet written (the "MDF" pane).
    CPropertiesWindow* PropertiesWindow() const { return m_properties.get(); }
    bool HasPendingPropertyEdits() const;
    // Before the main window closes: writes pending keyword edits. False when they could
    // not be written and the user chose to keep the window open.
    bool CommitBeforeClose();

    // IListView
    int GetListMode() const override { return m_listMode; }
    void SetListMode(int mode) override { m_listMode = mode; }

    // The prompts and dialogs of the open (password) and add flows; set by the frame.
    void SetPasswordDialog(IPasswordDialog* dialog) { m_passwordDialog = dialog; }
    void SetAddDialogs(IAddDialogs* dialogs) { m_addDialogs = dialogs; }

    // IDocumentView and IMarkView
    void CommitPendingEdits() override;
    void ZoomTo100() override;
    void RecomputeSizes() override;
    void RealizePalette() override;
    void SetRedraw(bool on) override;
    void Repaint() override;
    void UpdateFrame() override;
    void UpdateAll() override;
    void ShowCurrentRecord() override;
    void HideMarkBar() override;
    // Shows the bar for paging among marked records, made on first use.
    void ShowMarkBar() override;
    void BlankProperties() override;
    void FocusView() override;
    // IListView and IAddWindows: realise, repaint at once, refresh the properties window.
    void RefreshView() override;
    // IAddWindows: the main frame's state.
    bool IsMainWindowMinimized() const override;
    void MinimizeMainWindow() override;
    void RestoreMainWindow() override;

    // The logical size becomes the current picture's pixel size (0 × 0 without one).
    void RecomputeScrollSizes();
    // The files dropped onto the view, in order (the drop handler's work); nothing while the
    // database cannot be written.
    void AddDroppedFiles(const QStringList& localPaths);
    // The bar for paging among marked records; null until it is first shown.
    CMarkBar* MarkBar() const;
    // Private message 0x482 from the bar: one of the MarkMove codes.
    void MoveAmongMarks(int code);

    // The slide shows and the wallpaper command; null before RegisterCommands.
    CSlideShow* SlideShow() const { return m_slideShow.get(); }

    // The Add command: the add-files browser, then the chosen files stored in list order.
    void AddCommand();
    // The search window: created visible at the first call, then hidden or shown in turn.
    void ToggleSearchWindow();
    bool IsSearchWindowVisible() const;
    // The search window; null before the first ToggleSearchWindow.
    CSearchWindow* SearchWindow() const;

    // The thumbnail browser, run modally: the whole list from the current record, or the
    // marked records only. 1 closed with OK (the selected record is shown), 0 cancelled (a
    // record clicked stays shown), -1 not opened ("Data not found", or pending edits that
    // could not be written).
    int ThumbnailsCommand(bool markedOnly);
    // IMarkView: the browser limited to the marked records (command 32800, the bar's
    // "&Thumbnails", the end of the duplicate check).
    void ShowMarkedThumbnails() override;

protected:
    void OnDraw(CDC& dc) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The commands on marked records and the bulk commands (PicdexViewMarks.cpp).
    void RegisterMarkCommands(CCommandRouter& router);
    void ToggleMarkBar();
    void KeywordOnMarkedCommand();
    void TransferMarkedCommand();
    void OutputCommand(bool marked);
    void CheckDuplicatesCommand();
    void FilePropertiesCommand();

    // Commands.
    void ZoomInCommand();
    void ZoomOutCommand();
    // The whole picture in the client area, never above 100 %.
    void ZoomFitCommand();
    void SnapZoom();
    void Zoom100Command();
    // False when the list has nothing to move to.
    bool MoveCommand(int id);
    void CopyCommand();
    void ToggleMarkCommand();
    void SortViewCommand();
    void OptionsCommand();
    void ContrastCommand();
    void SaveAsViewCommand();
    void DeleteRecordCommand();
    void PrintCommand();
    void PrintPreviewCommand();
    void PrintSetupCommand();
    // PicdexViewTools.cpp: Tools > Reconstruct and Tools > Data exchange.
    void ReconstructViewCommand();
    void DataExchangeViewCommand();
    // Renders one page (the picture fitted to the printable area) onto printer.
    void PrintPage(QPrinter& printer);
    QPrinter& Printer();

    // Command 32787: creates the window on first use; hides it when shown, else refreshes
    // and shows it.
    void TogglePropertiesWindow();
    // Messages 0x46E and 0x46F from the window: "Next data" and "Previous data".
    void MoveFromProperties(int message);
    // Writes the window's pending keyword edits into the current record. True when nothing
    // was pending or it was written (the change flags are then cleared); false when the
    // write failed: the flags stay set and the cause was shown. Nothing to do without the
    // window.
    bool CommitPropertyEdits();
    // Shows the current record in the window (blank: an empty head); a record that cannot be
    // read leaves the window as it was.
    void RefreshPropertiesWindow(bool blank);
    void SetPasswordCommand();
    // Realises the palette in the foreground and invalidates the client area.
    void RealizeAndInvalidate();
    void OpenSucceeded();

    // The pop-up menu at globalPos (screen coordinates).
    void ShowPopupMenu(const QPoint& globalPos);
    // Writes the current picture into the drag folder and drags it out as a file URL.
    void DragPictureOut();
    CPoint ToLogical(const QPoint& viewportPos) const;
    // The search window's requests: run its search, or search for a keyword chosen in the
    // "List of keywords" dialog.
    void RunSearchFromWindow();
    void OpenKeywordListFromWindow();

    CPicdexDoc& m_doc;
    IViewFrame& m_frame;
    ISettings& m_settings;
    CCommandRouter* m_router = nullptr;
    std::vector<int> m_registered;
    IPasswordDialog* m_passwordDialog = nullptr;
    IAddDialogs* m_addDialogs = nullptr;
    std::unique_ptr<CViewMarkDialogs> m_markDialogs;
    std::unique_ptr<CBitmap> m_markSign;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<CSearchWindow> m_searchWindow;
    std::unique_ptr<CSlideShow> m_slideShow;
    QPointer<CMarkBar> m_markBar;
    std::unique_ptr<CPropertiesWindow> m_properties;
    // The edits whose write failed last: gaining the focus does not try them again (and
    // show the failure again) until they change.
    std::optional<CPictureDatabase::Keywords> m_failedEdits;
    int m_listMode = 0;
    bool m_force256 = false;
    bool m_ignoreDuplicates = false;
};
