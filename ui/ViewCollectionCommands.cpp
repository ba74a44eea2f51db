#include "ui/ViewCollectionCommands.h"

#include "collection/AddPictures.h"
#include "collection/ApplicationHost.h"
#include "collection/DataExchange.h"
#include "collection/PicdexDoc.h"
#include "collection/ReconstructCommand.h"
#include "collection/Search.h"
#include "ui/PicdexView.h"
#include "ui/ViewProperties.h"
#include "ui/dialogs/BrowsingAddDialogs.h"
#include "ui/dialogs/DataExchangeDialog.h"
#include "ui/dialogs/ExchangeProgressDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/KeywordListDialog.h"
#include "ui/dialogs/QtReconstructDialogs.h"
#include "ui/dialogs/SearchWindow.h"

namespace {

// The hand-over after a reconstruction: a new instance opens the database and swaps the
// new files in, and this one ends. The database is closed here before the new instance
// starts, so that the new one never finds its files still held and opens them read-only.
class CHandOverHost : public IApplicationHost {
public:
    CHandOverHost(CPicdexDoc& doc, IViewFrame& frame) : m_doc(doc), m_frame(frame) {}

    void OpenByPath(const std::string& path) override {
        m_doc.Database().Close();
        m_frame.StartSecondInstance(path);
    }
    void CloseMainWindow() override { m_frame.CloseFrame(); }

private:
    CPicdexDoc& m_doc;
    IViewFrame& m_frame;
};

} // namespace

CViewCollectionCommands::CViewCollectionCommands(CPicdexView& view) : m_view(view) {}

void CViewCollectionCommands::Add(IAddDialogs* addDialogs, bool ignoreDuplicates) {
    if (!addDialogs)
        return;
    CPicdexDoc& doc = m_view.Document();
    CBrowsingAddDialogs dialogs(*addDialogs, doc.Database(), m_view.Settings(), ignoreDuplicates,
                                &m_view);
    CAddPictures add(doc, dialogs, m_view, ignoreDuplicates);
    if (!add.AddPictures())
        return;
    m_view.RealizeAndInvalidate();
    m_view.Properties().Refresh(false);
    m_view.Frame().UpdateTitle();
    // New keywords belong in the search window's list.
    if (m_searchWindow)
        m_searchWindow->FillKeywords();
}

void CViewCollectionCommands::ToggleSearchWindow() {
    if (!m_searchWindow) {
        m_searchWindow = new CSearchWindow(m_view.Document().Database(), &m_view);
        QObject::connect(m_searchWindow, &CSearchWindow::searchRequested, &m_view,
                         [this] { RunSearchFromWindow(); });
        QObject::connect(m_searchWindow, &CSearchWindow::keywordListRequested, &m_view,
                         [this] { OpenKeywordListFromWindow(); });
        m_searchWindow->show();
        return;
    }
    if (m_searchWindow->isVisible()) {
        m_searchWindow->hide();
    } else {
        m_searchWindow->FillKeywords();
        m_searchWindow->show();
        m_searchWindow->raise();
        m_searchWindow->activateWindow();
    }
}

CSearchWindow* CViewCollectionCommands::SearchWindow() const {
    return m_searchWindow.data();
}

bool CViewCollectionCommands::IsSearchWindowVisible() const {
    return m_searchWindow && m_searchWindow->isVisible();
}

void CViewCollectionCommands::RunSearchFromWindow() {
    CPicdexDoc& doc = m_view.Document();
    if (!m_searchWindow || !doc.Database().IsOpen())
        return;
    RunSearch(doc, *m_searchWindow, m_view);
    m_view.Frame().UpdateTitle();
}

void CViewCollectionCommands::OpenKeywordListFromWindow() {
    CPicdexDoc& doc = m_view.Document();
    if (!doc.Database().IsOpen())
        return;
    CKeywordListDialog dialog(m_searchWindow ? static_cast<QWidget*>(m_searchWindow.data())
                                             : &m_view);
    OpenKeywordList(doc, dialog, m_searchWindow.data(), m_view, m_view.Settings(),
                    CSearchWindow::keywordListCapacity);
    m_view.Frame().UpdateTitle();
}

void CViewCollectionCommands::Reconstruct() {
    // Edits waiting in the properties window would be lost with this instance.
    if (!m_view.Properties().Commit())
        return;
    CQtReconstructDialogs dialogs(&m_view);
    CHandOverHost host(m_view.Document(), m_view.Frame());
    CReconstructCommand(m_view.Document().Database(), dialogs, host, m_view.Settings()).Run();
}

void CViewCollectionCommands::DataExchange() {
    m_view.Properties().Commit();
    CPicdexDoc& doc = m_view.Document();
    CQtFileDialogs files(&m_view);
    CDataExchangeDialog dialog(m_view.Settings(), files, &m_view);
    CExchangeProgressDialog progress(&m_view);
    if (::DataExchange(doc.Database(), dialog, progress) <= 0)
        return;
    // Pictures copied into an empty database: show the first of them.
    if (doc.Database().Index().GetCurrentRecord() < 0)
        doc.GoTop();
    m_view.RealizeAndInvalidate();
    m_view.Properties().Refresh(false);
    m_view.Frame().UpdateTitle();
}
