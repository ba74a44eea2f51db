// CPicdexApp: the program's application object. It owns the settings, the recent-file list,
// the document and the main frame, installs the windowed prompt, processes the command line
// and, at the first idle moment, opens the initial database (the most recent one, else the
// default database beside the program).
#pragma once

#include "app/InstanceLauncher.h"
#include "app/QtSettings.h"
#include "app/RecentFileList.h"

#include <QApplication>

#include <memory>
#include <string>

class CMainFrame;
class CPicdexDoc;
class CQtPrompt;

class CPicdexApp : public QApplication {
    Q_OBJECT

public:
    CPicdexApp(int& argc, char** argv);
    ~CPicdexApp() override;

    // The start-up sequence; false (the program ends) when the command line is not one
    // optional database path.
    bool InitInstance();

    // Opens path in this instance, or in a second instance when a database is open here.
    void OpenDocumentByPath(const std::string& path);
    // The program started for a second database; this executable unless set.
    void SetProgramPath(const QString& path) { m_launcher.SetProgramPath(path); }

    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    void OpenInitialDatabase();

    CQtSettings m_settings;
    CRecentFileList m_recentFiles;
    CInstanceLauncher m_launcher;
    std::unique_ptr<CPicdexDoc> m_doc;
    std::unique_ptr<CQtPrompt> m_prompt;
    std::unique_ptr<CMainFrame> m_frame;
};
