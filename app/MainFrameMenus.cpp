// The frame's menus, toolbar and accelerators, built from the command table, and the
// commands the frame handles itself.
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/ToolbarIcons.h"
#include "app/ZoomBox.h"
#include "ui/PicdexView.h"
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

// Commands that start a new group in their menu.
bool StartsGroup(int id) {
    switch (id) {
    case CommandId::saveAs:
    case CommandId::print:
    case CommandId::appExit:
    case CommandId::unmarkAll:
    case CommandId::markSearched:
    case CommandId::dataProperties:
    case CommandId::checkDuplicates:
    case CommandId::setPassword:
    case CommandId::appAbout:
        return true;
    default:
        return false;
    }
}

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

bool CMainFrame::FrameHandles(int id) {
    switch (id) {
    case CommandId::fileOpen:
    case CommandId::appExit:
    case CommandId::viewToolbar:
    case CommandId::viewStatusBar:
    case CommandId::appAbout:
        return true;
    default:
        return false;
    }
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
    // Commands outside the menus are named by their tip in the toolbar.
    auto* action = new QAction(text.isEmpty() ? toolTip : text, this);
    action->setStatusTip(statusTip);
    if (!toolTip.isEmpty())
        action->setToolTip(toolTip);
    action->setShortcuts(KeysOf(*entry));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setIcon(CommandIcon(id));
    action->setIconVisibleInMenu(false);
    // Shortcuts of every command work window-wide, whether or not its menu or button shows.
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    for (const CCommandEntry& entry : CommandTable()) {
        if (entry.id == CommandId::recentFirst || entry.id == CommandId::toolbarPlaceholder)
            continue;
        const bool reachable = entry.menuText || entry.keys ||
                               std::find(ToolbarLayout().begin(), ToolbarLayout().end(),
                                         entry.id) != ToolbarLayout().end();
        // A command is offered only where the user can reach it and something handles it.
        if (reachable && (FrameHandles(entry.id) || CPicdexView::HandlesCommand(entry.id)))
            CreateCommandAction(entry.id);
    }
    for (QAction* toggle : {Action(CommandId::viewToolbar), Action(CommandId::viewStatusBar)}) {
        if (toggle)
            toggle->setCheckable(true);
    }

    const CCommandEntry* recent = FindCommand(CommandId::recentFirst);
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        auto* action = new QAction(this);
        action->setStatusTip(QString::fromUtf8(recent->prompt));
        action->setVisible(false);
        connect(action, &QAction::triggered, this,
                [this, i] { RunCommand(CommandId::recentFirst + int(i)); });
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
                menu->addAction(action);
            continue;
        }
        QAction* action = Action(entry.id);
        if (!action)
            continue;
        // Separators in a row or at either end collapse, so no group needs checking.
        if (StartsGroup(entry.id))
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
            m_toolBar->addWidget(m_zoomBox);
        else
            m_toolBar->addAction(action);
    }
}

void CMainFrame::UpdateCommandStates() {
    if (!m_view)
        return;
    const CCommandState state = m_view->GetCommandState();
    for (const auto& [id, action] : m_actions) {
        if (const CCommandEntry* entry = FindCommand(id))
            action->setEnabled(IsCommandEnabled(*entry, state));
    }
    if (QAction* toggle = Action(CommandId::viewToolbar))
        toggle->setChecked(m_toolBar && !m_toolBar->isHidden());
    if (QAction* toggle = Action(CommandId::viewStatusBar))
        toggle->setChecked(!statusBar()->isHidden());
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

bool CMainFrame::RunFrameCommand(int id) {
    if (id >= CommandId::recentFirst && id <= CommandId::recentLast) {
        const std::string path = m_recentFiles.GetPath(id - CommandId::recentFirst);
        if (!path.empty())
            OpenDocumentByPath(path);
        return true;
    }
    switch (id) {
    case CommandId::fileOpen:
        OpenCommandFromMenu();
        return true;
    case CommandId::appExit:
        close();
        return true;
    case CommandId::viewToolbar:
        m_toolBar->setVisible(m_toolBar->isHidden());
        UpdateCommandStates();
        return true;
    case CommandId::viewStatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        UpdateCommandStates();
        return true;
    case CommandId::appAbout:
        ShowAboutBox(this);
        return true;
    default:
        return false;
    }
}
