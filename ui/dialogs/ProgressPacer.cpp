#include "ui/dialogs/ProgressPacer.h"

#include <QCoreApplication>
#include <QEventLoop>

bool CProgressPacer::Due() {
    return !m_sinceShown.isValid() || m_sinceShown.elapsed() >= intervalMilliseconds;
}

void CProgressPacer::ProcessPending() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceShown.start();
}
