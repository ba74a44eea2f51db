#include "ui/ViewProperties.h"

#include "collection/KeywordEdits.h"
#include "collection/PicdexDoc.h"
#include "ui/ViewFrame.h"
#include "ui/dialogs/PropertiesWindow.h"

CViewProperties::CViewProperties(CPicdexDoc& doc, IViewFrame& frame, QWidget& view,
                                 std::function<void(int message)> move)
    : m_doc(doc), m_frame(frame), m_view(view), m_move(std::move(move)) {}

CViewProperties::~CViewProperties() = default;

bool CViewProperties::IsVisible() const {
    return m_window && m_window->isVisible();
}

bool CViewProperties::HasPendingEdits() const {
    return m_window && m_window->IsModified();
}

bool CViewProperties::Commit() {
    if (!m_window || !m_window->IsModified())
        return true;
    const CPictureDatabase::Keywords keywords = m_window->Keywords();
    if (WriteKeywordEdits(m_doc, keywords) == 0) {
        m_failedEdits = keywords;
        m_frame.UpdateModifiedPane();
        return false;
    }
    m_failedEdits.reset();
    m_window->SetModified(false);
    return true;
}

void CViewProperties::CommitUnlessFailedBefore() {
    if (m_window && m_failedEdits && *m_failedEdits == m_window->Keywords())
        return;
    Commit();
}

void CViewProperties::Refresh(bool blank) {
    if (!m_window)
        return;
    CPictureDatabase& db = m_doc.Database();
    const bool record = !blank && db.IsOpen() && db.Index().GetCurrentRecord() >= 0;
    CRecordHead head = CPropertiesWindow::BlankHead();
    // An empty list shows nothing; a record that cannot be read leaves what was shown.
    if (record && !m_doc.GetCurrentHead(head))
        return;
    // Keywords typed with no record shown would have nowhere to go.
    m_window->SetReadOnly(!record || db.IsReadOnly());
    m_failedEdits.reset();
    m_window->Fill(head);
}

void CViewProperties::Toggle() {
    if (!m_window) {
        m_window = std::make_unique<CPropertiesWindow>(
            m_doc.Database(), [this](int message) { m_move(message); },
            [this] { m_frame.UpdateModifiedPane(); }, m_view.window());
    } else if (m_window->isVisible()) {
        m_window->hide();
        return;
    }
    Refresh(false);
    // Shown as a modeless window is: active, ready for typing.
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->FocusFirstEmptyField();
}
