#include "app/PicdexApp.h"

#include "app/MainFrame.h"
#include "app/StartupRules.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "ui/PicdexView.h"
#include "ui/dialogs/QtPrompt.h"

#include <QTimer>

#include <clocale>
#include <cstdio>

CPicdexApp::CPicdexApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Orvane"));
    setApplicationName(QStringLiteral("Picdex"));
    // Dates and times in the status bar use the user's locale.
    std::setlocale(LC_ALL, "");
}

CPicdexApp::~CPicdexApp() {
    // The frame and its view go before the document they show; the prompt is uninstalled
    // before the window it is modal to goes away.
    SetPrompt(nullptr);
    m_frame.reset();
    m_doc.reset();
}

bool CPicdexApp::InitInstance() {
    std::string path;
    std::string error;
    if (!ParseCommandLine(arguments().mid(1), path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }

    const bool showOpeningWindow = GetProfileInt(m_settings, "Options", "OpenPic", 1) == 0;
    m_recentFiles.Read(m_settings);
    m_doc = std::make_unique<CPicdexDoc>();
    m_prompt = std::make_unique<CQtPrompt>();
    SetPrompt(m_prompt.get());
    m_frame = std::make_unique<CMainFrame>(*m_doc, m_settings, m_recentFiles, m_launcher,
                                           showOpeningWindow);
    m_prompt->SetParentWindow(m_frame.get());
    m_frame->show();

    if (!path.empty())
        OpenDocumentByPath(path);
    QTimer::singleShot(0, this, &CPicdexApp::OpenInitialDatabase);
    return true;
}

void CPicdexApp::OpenDocumentByPath(const std::string& path) {
    if (m_frame)
        m_frame->OpenDocumentByPath(path);
}

void CPicdexApp::OpenInitialDatabase() {
    // A database named on the command line that could not be opened has closed the window:
    // the program is ending and opens nothing more.
    if (!m_frame || !m_frame->View() || !m_frame->isVisible())
        return;
    const std::string defaultPath = DefaultDatabasePath(applicationFilePath().toStdString());
    const std::string path = ChooseInitialDatabase(m_settings, defaultPath);
    m_frame->OpenInitialDatabase(path);
}
