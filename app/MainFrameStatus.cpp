// The frame's status bar: the message pane, the "MDF" indicator and the date and time panes.
#include "app/MainFrame.h"

#include "ui/PicdexView.h"

#include <QLabel>
#include <QStatusBar>

#include <ctime>

namespace {
// The current local time in the user's locale's form for format ("%x" date, "%X" time).
QString FormatNow(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return QString::fromLocal8Bit(text, qsizetype(length));
}

QLabel* CreatePane(const QString& name, QWidget* parent) {
    auto* pane = new QLabel(parent);
    pane->setObjectName(name);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->setMargin(0);
    pane->setIndent(0);
    return pane;
}
} // namespace

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_modifiedPane = CreatePane(QStringLiteral("modifiedPane"), bar);
    m_datePane = CreatePane(QStringLiteral("datePane"), bar);
    m_timePane = CreatePane(QStringLiteral("timePane"), bar);
    m_modifiedPane->setFixedWidth(m_modifiedPane->fontMetrics().horizontalAdvance("MDF"));
    for (QLabel* pane : {m_modifiedPane, m_datePane, m_timePane})
        bar->addPermanentWidget(pane);

    connect(&m_clockTimer, &QTimer::timeout, this, &CMainFrame::UpdateStatusPanes);
    m_clockTimer.start(clockMilliseconds);
    UpdateStatusPanes();
}

bool CMainFrame::HasPendingPropertyEdits() const {
    return m_view && m_view->HasPendingPropertyEdits();
}

void CMainFrame::UpdateModifiedPane() {
    if (!m_printing && m_modifiedPane)
        m_modifiedPane->setText(HasPendingPropertyEdits() ? QStringLiteral("MDF") : QString());
}

void CMainFrame::SetPaneText(QLabel* pane, const QString& text) {
    pane->setText(text);
    pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(text));
}

void CMainFrame::UpdateStatusPanes() {
    SetPaneText(m_datePane, FormatNow("%x"));
    SetPaneText(m_timePane, FormatNow("%X"));
    UpdateModifiedPane();
}
