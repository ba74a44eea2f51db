// CPicdexView: the picture view, the single view of the document. It shows the current
// record's picture zoomed and panned (PxPanView), with the mark sign on a marked record,
// pans and marks with the mouse, and tells the frame around it through IViewFrame. It owns
// the parts that act for it: the commands it carries out (CViewCommands, which registers
// them with the frame's router), printing (CViewPrinter), files dropped onto it and the
// picture dragged out of it (CViewDragAndDrop), and the data-properties window
// (CViewProperties).
#pragma once

#include "collection/AddDialogs.h"
#include "collection/MarkCommands.h"
#include "collection/Settings.h"
#include "collection/Sorting.h"
#include "ui/PxPanView.h"
#include "ui/ViewFrame.h"
#include "ui/commands/CommandIds.h"

#include <memory>
#include <string>

class CBitmap;
class CCommandRouter;
class CMarkBar;
class CPicdexDoc;
class CPropertiesWindow;
class CSearchWindow;
class CSlideShow;
class CViewCommands;
class CViewDragAndDrop;
class CViewPrinter;
class CViewProperties;
class IPasswordDialog;

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
    // Realises the palette in the foreground and invalidates the client area.
    void RealizeAndInvalidate();
    // The key of the current index entry, for the title while a search result is shown.
    std::string GetCurrentKey();

    // The data-properties window (null until command 32787 first shows it) and whether it
    // holds keyword edits not yet written (the "MDF" pane).
    CPropertiesWindow* PropertiesWindow() const;
    bool HasPendingPropertyEdits() const;
    // Before the main window closes: writes pending keyword edits. False when they could
    // not be written and the user chose to keep the window open.
    bool CommitBeforeClose();

    // IListView
    int GetListMode() const override { return m_listMode; }
    void SetListMode(int mode) override { m_listMode = mode; }

    // The prompts and dialogs of the open (password) and add flows; set by the frame.
    void SetPasswordDialog(IPasswordDialog* dialog) { m_passwordDialog = dialog; }
    void SetAddDialogs(IAddDialogs* dialogs);

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
    // IMarkView: the thumbnail browser limited to the marked records (command 32800, the
    // bar's "&Thumbnails", the end of the duplicate check).
    void ShowMarkedThumbnails() override;

    // The logical size becomes the current picture's pixel size (0 × 0 without one).
    void RecomputeScrollSizes();
    // The files dropped onto the view, in order (the drop handler's work); nothing while the
    // database cannot be written.
    void AddDroppedFiles(const QStringList& localPaths);
    // The bar for paging among marked records; null until it is first shown.
    CMarkBar* MarkBar() const;
    // The slide shows and the wallpaper command; null before RegisterCommands.
    CSlideShow* SlideShow() const;
    bool IsSearchWindowVisible() const;
    // The search window; null before the search command first shows it.
    CSearchWindow* SearchWindow() const;

    // What the view was made over, for the parts that act for it.
    CPicdexDoc& Document() { return m_doc; }
    IViewFrame& Frame() { return m_frame; }
    ISettings& Settings() { return m_settings; }
    CViewProperties& Properties() { return *m_properties; }
    CViewPrinter& Printer() { return *m_printer; }

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
    void OpenSucceeded();
    CPoint ToLogical(const QPoint& viewportPos) const;
    // Ends the pan at a viewport position; the viewport stops tracking the mouse.
    void EndPanAt(const QPoint& viewportPos);

    CPicdexDoc& m_doc;
    IViewFrame& m_frame;
    ISettings& m_settings;
    IPasswordDialog* m_passwordDialog = nullptr;
    std::unique_ptr<CBitmap> m_markSign;
    std::unique_ptr<CViewProperties> m_properties;
    std::unique_ptr<CViewPrinter> m_printer;
    std::unique_ptr<CViewCommands> m_commands;
    std::unique_ptr<CViewDragAndDrop> m_dragAndDrop;
    int m_listMode = 0;
};
