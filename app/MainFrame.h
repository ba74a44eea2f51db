// CMainFrame: the program's main window. It holds the menus, the toolbar with the zoom box,
// the status bar (message pane, "MDF", date, time) and the picture view as its client. It
// owns the command router: the view and the frame's other windows register their handlers
// there, the frame its own (Open, recent files, Exit, toolbar and status-bar toggles,
// About); then it builds menus, toolbar and keys from the command table for the commands
// that have a handler, and keeps their enable states current. It writes the title from the
// open database and the current record, and does the application's part of opening a
// database by path.
#pragma once

#include "ui/ViewFrame.h"
#include "ui/commands/CommandRouter.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <map>
#include <memory>
#include <string>

class CInstanceLauncher;
class CPicdexDoc;
class CPicdexView;
class CQtAddDialogs;
class CQtFileDialogs;
class CQtPasswordDialog;
class CRecentFileList;
class CZoomBox;
class ISettings;
class QAction;
class QLabel;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow, public IViewFrame {
    Q_OBJECT

public:
    static constexpr int idleUpdateMilliseconds = 500;
    static constexpr int clockMilliseconds = 1000;

    // doc, settings, recentFiles and launcher must outlive the frame. With
    // showOpeningWindow the opening window appears at once.
    CMainFrame(CPicdexDoc& doc, ISettings& settings, CRecentFileList& recentFiles,
               CInstanceLauncher& launcher, bool showOpeningWindow = false,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    CPicdexView* View() const { return m_view; }
    CZoomBox* ZoomBox() const { return m_zoomBox; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The action of command id (a recent file: its entry's action); nullptr when this build
    // offers no menu item, button or key for it.
    QAction* Action(int id) const;

    // The dispatcher every menu item, button, key and pop-up item goes through.
    CCommandRouter& Router() { return m_router; }
    // Runs command id through the router: 1 ran, 0 disabled, -1 no handler.
    int RunCommand(int id) { return m_router.Run(id); }
    // Sets every action's enabled (and checked) state from the view's state.
    void UpdateCommandStates();
    // Rewrites the date and time panes (each as wide as its text) and the "MDF" pane.
    void UpdateStatusPanes();

    // Opens the database at path: completes a pending reconstruction first when no database
    // is open and has the view open it, then puts path at the top of the recent-file list;
    // a path that failed to open is taken off the list instead. Either way the list is
    // stored at once. With a database open here, path goes to a second instance, which
    // keeps the list itself.
    void OpenDocumentByPath(const std::string& path);
    // Opens the database chosen at start-up; on failure the path leaves the recent-file
    // list (stored at once), so that the next start does not fail the same way, and the
    // frame closes.
    void OpenInitialDatabase(const std::string& path);
    // File > Open: the open dialog, then OpenDocumentByPath.
    void OpenCommandFromMenu();

    // IViewFrame
    void ShowZoomPercentText(int percent) override;
    void UpdateTitle() override;
    void SetPrinting(bool printing) override { m_printing = printing; }
    void UpdateModifiedPane() override;
    bool IsFrameMinimized() const override;
    void MinimizeFrame() override;
    void RestoreFrame() override;
    // Closes the window from the event loop, so a call during start-up also ends the program.
    void CloseFrame() override;
    void StartSecondInstance(const std::string& path) override;

protected:
    void changeEvent(QEvent* event) override;
    // Pending keyword edits are written first; the window stays open when they could not
    // be written and the user keeps it.
    void closeEvent(QCloseEvent* event) override;

private:
    // MainFrameMenus.cpp
    void RegisterFrameCommands();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    QAction* CreateCommandAction(int id);
    void AddMenu(const char* title);
    void RebuildRecentFileMenu();
    void MenuShown();
    void MenuHidden();
    // Puts path at the head of the recent-file list when opened, else takes it off; stores.
    void KeepRecentFile(const std::string& path, bool opened);

    // MainFrameStatus.cpp
    void CreateStatusBar();
    // The "MDF" pane shows its text only while the data-properties window holds keyword
    // edits not yet written; it is left alone while printing.
    bool HasPendingPropertyEdits() const;
    void SetPaneText(QLabel* pane, const QString& text);

    void ShowOpeningWindow();

    CPicdexDoc& m_doc;
    ISettings& m_settings;
    CRecentFileList& m_recentFiles;
    CInstanceLauncher& m_launcher;
    // Before every window that registers with it, so that it outlives them.
    CCommandRouter m_router;
    std::unique_ptr<CQtPasswordDialog> m_passwordDialog;
    std::unique_ptr<CQtAddDialogs> m_addDialogs;
    std::unique_ptr<CQtFileDialogs> m_fileDialogs;

    CPicdexView* m_view = nullptr;
    CZoomBox* m_zoomBox = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    std::map<int, QAction*> m_actions;
    std::array<QAction*, 8> m_recentActions{};

    QLabel* m_modifiedPane = nullptr;
    QLabel* m_datePane = nullptr;
    QLabel* m_timePane = nullptr;
    QTimer m_clockTimer;
    QTimer m_idleTimer;
    bool m_printing = false;
    int m_openMenus = 0;
};
