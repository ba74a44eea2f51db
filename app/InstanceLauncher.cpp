#include "app/InstanceLauncher.h"

#include <QCoreApplication>
#include <QProcess>

QString CInstanceLauncher::GetProgramPath() const {
    return m_programPath.isEmpty() ? QCoreApplication::applicationFilePath() : m_programPath;
}

bool CInstanceLauncher::Start(const std::string& path) {
    qint64 processId = 0;
    // No shell: the path is one argument whatever characters it holds.
    if (!QProcess::startDetached(GetProgramPath(), {QString::fromStdString(path)}, QString(),
                                 &processId))
        return false;
    m_lastProcessId = processId;
    return true;
}
