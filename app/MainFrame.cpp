#include "app/MainFrame.h"

#include "app/InstanceLauncher.h"
#include "app/OpeningWindow.h"
#include "app/RecentFileList.h"
#include "app/WindowTitle.h"
#include "app/ZoomBox.h"
#include "collection/OpenCommand.h"
#include "collection/PicdexDoc.h"
#include "platform/FileSystem.h"
#include "storage/Reconstruction.h"
#include "ui/HelpWindow.h"
#include "ui/PicdexView.h"
#include "ui/SlideShow.h"
#include "ui/dialogs/AboutBox.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/QtAddDialogs.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

CMainFrame::CMainFrame(CPicdexDoc& doc, ISettings& settings, CRecentFileList& recentFiles,
                       CInstanceLauncher& launcher, bool showOpeningWindow, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_settings(settings), m_recentFiles(recentFiles),
      m_launcher(launcher) {
    setWindowTitle(QStringLiteral("Picdex"));
    setWindowIcon(ProgramIcon());

    m_passwordDialog = std::make_unique<CQtPasswordDialog>(this);
    m_addDialogs = std::make_unique<CQtAddDialogs>(doc.Database(), this);
    m_fileDialogs = std::make_unique<CQtFileDialogs>(this);

    m_view = new CPicdexView(doc, *this, settings, this);
    m_view->SetPasswordDialog(m_passwordDialog.get());
    m_view->SetAddDialogs(m_addDialogs.get());
    setCentralWidget(m_view);

    // Every handler is registered before the menus, toolbar and keys are made from them.
    m_view->RegisterCommands(m_router);
    RegisterFrameCommands();
    // Help: F1 here opens the manual at its start; Shift+F1 over the window, at browsing.
    m_router.Register(CommandId::help, [] { CHelpWindow::ShowTopic(QString()); });
    setProperty(CHelpWindow::topicProperty, QStringLiteral("browsing"));
    InstallHelpKeys(*this);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    if (showOpeningWindow)
        ShowOpeningWindow();

    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_idleTimer.start(idleUpdateMilliseconds);
    UpdateCommandStates();
    // Three quarters of the screen, so that a picture has room from the start.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * 3 / 4);
    else
        resize(640, 480);
}

CMainFrame::~CMainFrame() {
    // The view calls back into this frame and uses the dialogs owned here: it goes first,
    // while both are whole.
    m_idleTimer.stop();
    m_clockTimer.stop();
    std::unique_ptr<QWidget> view(takeCentralWidget());
    m_view = nullptr;
}

QAction* CMainFrame::Action(int id) const {
    if (id >= CommandId::recentFirst && id <= CommandId::recentLast)
        return m_recentActions[std::size_t(id - CommandId::recentFirst)];
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::OpenDocumentByPath(const std::string& path) {
    if (!m_view || path.empty())
        return;
    // With a database open here the path goes to a second instance, which completes a
    // pending reconstruction itself; this instance must not swap files it may hold open.
    if (!m_doc.Database().IsOpen())
        CompletePendingReconstruction(path);
    const int opened = m_view->OpenDatabaseByPath(path);
    if (opened >= 0)
        KeepRecentFile(path, opened == 1 && FileExists(path));
}

void CMainFrame::OpenInitialDatabase(const std::string& path) {
    if (m_view && !path.empty() && !m_view->OpenInitialDatabase(path))
        KeepRecentFile(path, false);
}

void CMainFrame::KeepRecentFile(const std::string& path, bool opened) {
    // A path that failed stays off the head of the list: the next plain start opens it
    // first and would fail the same way.
    if (opened)
        m_recentFiles.Add(path);
    else
        m_recentFiles.Remove(path);
    m_recentFiles.Write(m_settings);
    RebuildRecentFileMenu();
}

void CMainFrame::OpenCommandFromMenu() {
    std::string path;
    if (OpenCommand(m_settings, *m_fileDialogs, path))
        OpenDocumentByPath(path);
}

void CMainFrame::ShowZoomPercentText(int percent) {
    m_zoomBox->ShowPercent(percent);
}

void CMainFrame::UpdateTitle() {
    if (!m_view)
        return;
    std::string mainPath;
    std::string name;
    m_doc.Database().GetMainPathAndCurrentName(mainPath, name);
    const int listMode = m_view->GetListMode();
    const std::string key = listMode == 2 ? m_view->GetCurrentKey() : std::string();
    const bool readOnly = m_doc.Database().IsOpen() && m_doc.Database().IsReadOnly();
    setWindowTitle(QString::fromStdString(FormatTitle(mainPath, name, listMode, key, readOnly)));
}

bool CMainFrame::IsFrameMinimized() const {
    return isMinimized();
}

void CMainFrame::MinimizeFrame() {
    showMinimized();
}

void CMainFrame::RestoreFrame() {
    showNormal();
}

void CMainFrame::CloseFrame() {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CMainFrame::StartSecondInstance(const std::string& path) {
    // A program that cannot be started leaves this instance as it is; there is no message.
    m_launcher.Start(path);
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_view)
        m_view->RealizePicturePalette(true);
    QMainWindow::changeEvent(event);
    // Coming back to the window ends a wallpaper slide show.
    const bool activation = event->type() == QEvent::ActivationChange;
    if ((activation || event->type() == QEvent::WindowStateChange) && m_view && m_view->SlideShow())
        m_view->SlideShow()->FrameStateChanged(activation);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_view && !m_view->CommitBeforeClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::ShowOpeningWindow() {
    auto* opening = new COpeningWindow(this);
    // The window deletes itself; the frame repaints at once where it was.
    connect(opening, &COpeningWindow::closed, this, [this] { repaint(); });
    opening->show();
}
