// The frame's menus, toolbar and keys, built from the command table for the commands that
// have a handler, and the commands the frame handles itself.
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/ToolbarIcons.h"
#include "app/ZoomBox.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandTable.h"
#include "ui/dialogs/AboutBox.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cstring>

namespace {
constexpr int zoomBoxWidth = 80;

QList<QKeySequence> KeysOf(const CCommandEntry& entry) {
    QList<QKeySequence> keys;
    auto addKeys = [&keys](const QString& text) {
        for (const QString& one : text.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
            const QKeySequence sequence(one, QKeySequence::PortableText);
            if (!sequence.isEmpty() && !keys.contains(sequence))
                keys.append(sequence);
        }
    };
    if (entry.menuText) {
        const QString text = QString::fromUtf8(entry.menuText);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab >= 0)
            addKeys(text.mid(tab + 1));
    }
    if (entry.keys)
        addKeys(QString::fromUtf8(entry.keys));
    return keys;
}
} // namespace

void CMainFrame::RegisterFrameCommands() {
    namespace C = CommandId;
    m_router.Register(C::fileOpen, [this] { OpenCommandFromMenu(); });
    for (int id = C::recentFirst; id <= C::recentLast; ++id) {
        m_router.Register(id, [this, id] {
            const std::string path = m_recentFiles.GetPath(id - C::recentFirst);
            if (!path.empty())
                OpenDocumentByPath(path);
        });
    }
    m_router.Register(C::appExit, [this] { close(); });
    // The toolbar exists by the time a command can run.
    m_router.Register(
        C::viewToolbar,
        [this] {
            m_toolBar->setVisible(m_toolBar->isHidden());
            UpdateCommandStates();
        },
        [this] { return m_toolBar && !m_toolBar->isHidden(); });
    m_router.Register(
        C::viewStatusBar,
        [this] {
            statusBar()->setVisible(statusBar()->isHidden());
            UpdateCommandStates();
        },
        [this] { return !statusBar()->isHidden(); });
    m_router.Register(C::appAbout, [this] { ShowAboutBox(this); });
}

QAction* CMainFrame::CreateCommandAction(int id) {
    const CCommandEntry* entry = FindCommand(id);
    if (!entry)
        return nullptr;
    QString text = entry->menuText ? QString::fromUtf8(entry->menuText) : QString();
    text = text.left(text.indexOf(QLatin1Char('\t')));
    QString statusTip;
    QString toolTip;
    if (entry->prompt) {
        const QString prompt = QString::fromUtf8(entry->prompt);
        const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
        statusTip = prompt.left(newline);
        toolTip = newline < 0 ? QString() : prompt.mid(newline + 1);
    }
    // Commands outside the menus are named by their tip, on a button and to a screen reader.
    auto* action = new QAction(text.isEmpty() ? toolTip : text, this);
    action->setCheckable(m_router.IsCheckable(id));
    action->setStatusTip(statusTip);
    if (!toolTip.isEmpty())
        action->setToolTip(toolTip);
    action->setShortcuts(KeysOf(*entry));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setIcon(CommandIcon(id));
    action->setIconVisibleInMenu(false);
    // Shortcuts of every command work window-wide, whether or not its menu or button shows.
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { m_router.Run(id); });
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    for (const CCommandEntry& entry : CommandTable()) {
        if (entry.id == CommandId::recentFirst || !m_router.HasHandler(entry.id))
            continue;
        const bool reachable = entry.menuText || entry.keys ||
                               std::find(ToolbarLayout().begin(), ToolbarLayout().end(),
                                         entry.id) != ToolbarLayout().end();
        // A command is offered only where the user can reach it and something handles it.
        if (reachable)
            CreateCommandAction(entry.id);
    }

    const CCommandEntry* recent = FindCommand(CommandId::recentFirst);
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        const int id = CommandId::recentFirst + int(i);
        if (!m_router.HasHandler(id))
            continue;
        auto* action = new QAction(this);
        action->setStatusTip(QString::fromUtf8(recent->prompt));
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, id] { m_router.Run(id); });
        m_recentActions[i] = action;
    }
}

void CMainFrame::AddMenu(const char* title) {
    auto* menu = new QMenu(this);
    menu->setTitle(std::strcmp(title, "?") == 0 ? QStringLiteral("&?")
                                                : QLatin1Char('&') + QString::fromUtf8(title));
    for (const CCommandEntry& entry : CommandTable()) {
        if (!entry.menu || std::strcmp(entry.menu, title) != 0)
            continue;
        if (entry.id == CommandId::recentFirst) {
            m_recentSeparator = menu->addSeparator();
            for (QAction* action : m_recentActions)
                if (action)
                    menu->addAction(action);
            continue;
        }
        QAction* action = Action(entry.id);
        if (!action)
            continue;
        // Separators in a row or at either end collapse, so no group needs checking.
        if (entry.startsGroup)
            menu->addSeparator();
        menu->addAction(action);
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::MenuShown);
    connect(menu, &QMenu::aboutToHide, this, &CMainFrame::MenuHidden);
    const QList<QAction*> items = menu->actions();
    const bool hasItems =
        std::any_of(items.begin(), items.end(), [](QAction* a) { return !a->isSeparator(); });
    menuBar()->addMenu(menu)->setVisible(hasItems);
    if (std::strcmp(title, "File") == 0)
        m_fileMenu = menu;
}

void CMainFrame::CreateMenus() {
    for (const char* title : {"File", "Edit", "Mark", "View", "Tools", "?"})
        AddMenu(title);
    RebuildRecentFileMenu();
}

void CMainFrame::RebuildRecentFileMenu() {
    for (int i = 0; i < int(m_recentActions.size()); ++i) {
        QAction* action = m_recentActions[std::size_t(i)];
        if (!action)
            continue;
        const bool used = i < m_recentFiles.GetCount();
        action->setText(used ? m_recentFiles.GetMenuText(i) : QString());
        action->setVisible(used);
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(m_recentFiles.GetCount() > 0);
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(17, 17));
    m_zoomBox = new CZoomBox(m_toolBar);
    m_zoomBox->setFixedWidth(zoomBoxWidth);
    m_zoomBox->SetFocusTarget(m_view);
    connect(m_zoomBox, &CZoomBox::zoomValueChosen, this, [this](int percent) {
        if (m_view)
            m_view->ApplyZoomValue(percent);
    });
    connect(m_zoomBox, &CZoomBox::fitChosen, this, [this] { m_router.Run(CommandId::zoomFit); });

    // Buttons this build has no command for are left out, and with them any separator that
    // would then stand first, last or next to another.
    bool separatorPending = false;
    for (const int id : ToolbarLayout()) {
        if (id == 0) {
            separatorPending = !m_toolBar->actions().isEmpty();
            continue;
        }
        QAction* action = Action(id);
        if (id != CommandId::toolbarPlaceholder && !action)
            continue;
        if (separatorPending)
            m_toolBar->addSeparator();
        separatorPending = false;
        if (id == CommandId::toolbarPlaceholder)
            m_toolBar->addWidget(m_zoomBox)->setText(m_zoomBox->accessibleName());
        else
            m_toolBar->addAction(action);
    }
}

void CMainFrame::UpdateCommandStates() {
    const CCommandState state = m_router.State();
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(m_router.IsEnabled(id, state));
        if (action->isCheckable())
            action->setChecked(m_router.IsChecked(id));
    }
}

void CMainFrame::MenuShown() {
    UpdateCommandStates();
    // The prompt of the item under the mouse takes the whole status bar while a menu is open.
    if (m_openMenus++ == 0) {
        for (QLabel* pane : {m_modifiedPane, m_datePane, m_timePane})
            pane->hide();
    }
}

void CMainFrame::MenuHidden() {
    if (m_openMenus > 0 && --m_openMenus == 0) {
        for (QLabel* pane : {m_modifiedPane, m_datePane, m_timePane})
            pane->show();
        statusBar()->clearMessage();
    }
}
