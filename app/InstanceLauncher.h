// CInstanceLauncher: starts the program once more with a database path as its one argument,
// detached from this instance.
#pragma once

#include <QString>

#include <string>

class CInstanceLauncher {
public:
    // The program started; the running executable until set otherwise.
    void SetProgramPath(const QString& path) { m_programPath = path; }
    QString GetProgramPath() const;

    // Starts the program with path; true when it started.
    bool Start(const std::string& path);
    // The process id of the last program started, 0 when none was.
    qint64 GetLastProcessId() const { return m_lastProcessId; }

private:
    QString m_programPath;
    qint64 m_lastProcessId = 0;
};
