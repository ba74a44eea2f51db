#include "ui/dialogs/WorkProgress.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>
#include <climits>

namespace {
// Work shorter than this shows no window, only the wait cursor.
constexpr int showDelayMilliseconds = 400;
} // namespace

CWaitCursor::CWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}
CWaitCursor::~CWaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

CEventPump::CEventPump() {
    m_since.start();
}

bool CEventPump::Pump() {
    if (m_since.elapsed() < intervalMilliseconds)
        return false;
    // User input is held back: the work must not be re-entered from a menu or a key.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_since.restart();
    return true;
}

CWorkProgress::CWorkProgress(QWidget* parent, const QString& title, int total)
    : m_dialog(std::make_unique<QProgressDialog>(parent)) {
    m_dialog->setWindowTitle(title);
    m_dialog->setAccessibleName(title);
    m_dialog->setObjectName(QStringLiteral("workProgress"));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setWindowModality(Qt::WindowModal);
    // Shown by Step once the delay has passed, whether or not the total is known.
    m_dialog->setMinimumDuration(INT_MAX);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setRange(0, total > 0 ? total : 0);
    m_started.start();
}

CWorkProgress::~CWorkProgress() = default;

void CWorkProgress::Step(int done, const QString& text) {
    if (!m_pump.Due())
        return;
    m_dialog->setLabelText(text);
    if (m_dialog->maximum() > 0)
        m_dialog->setValue(std::min(done, m_dialog->maximum()));
    if (!m_dialog->isVisible() && m_started.elapsed() >= showDelayMilliseconds)
        m_dialog->show();
    m_pump.Pump();
}
