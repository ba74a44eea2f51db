// The picture view's modeless and browsing windows: the add-files browser of the Add
// command and the search window with its "List of keywords" dialog.
#include "ui/PicdexView.h"

#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "ui/dialogs/BrowsingAddDialogs.h"
#include "ui/dialogs/KeywordListDialog.h"
#include "ui/dialogs/SearchWindow.h"

void CPicdexView::AddCommand() {
    if (!m_addDialogs)
        return;
    CBrowsingAddDialogs dialogs(*m_addDialogs, m_doc.Database(), m_settings, m_ignoreDuplicates,
                                this);
    CAddPictures add(m_doc, dialogs, *this, m_ignoreDuplicates);
    if (!add.AddPictures())
        return;
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
    m_frame.UpdateTitle();
    // New keywords belong in the search window's list.
    if (m_searchWindow)
        m_searchWindow->FillKeywords();
}

void CPicdexView::ToggleSearchWindow() {
    if (!m_searchWindow) {
        m_searchWindow = new CSearchWindow(m_doc.Database(), this);
        connect(m_searchWindow, &CSearchWindow::searchRequested, this,
                &CPicdexView::RunSearchFromWindow);
        connect(m_searchWindow, &CSearchWindow::keywordListRequested, this,
                &CPicdexView::OpenKeywordListFromWindow);
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

CSearchWindow* CPicdexView::SearchWindow() const {
    return m_searchWindow.data();
}

bool CPicdexView::IsSearchWindowVisible() const {
    return m_searchWindow && m_searchWindow->isVisible();
}

void CPicdexView::RunSearchFromWindow() {
    if (!m_searchWindow || !m_doc.Database().IsOpen())
        return;
    RunSearch(m_doc, *m_searchWindow, *this);
    m_frame.UpdateTitle();
}

void CPicdexView::OpenKeywordListFromWindow() {
    if (!m_doc.Database().IsOpen())
        return;
    CKeywordListDialog dialog(m_searchWindow ? static_cast<QWidget*>(m_searchWindow.data()) : this);
    OpenKeywordList(m_doc, dialog, m_searchWindow.data(), *this, m_settings,
                    CSearchWindow::keywordListCapacity);
    m_frame.UpdateTitle();
}
