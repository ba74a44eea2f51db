// The Tools commands that work on whole databases: Reconstruct and Data exchange.
#include "ui/PicdexView.h"

#include "collection/ApplicationHost.h"
#include "collection/DataExchange.h"
#include "collection/PicdexDoc.h"
#include "collection/ReconstructCommand.h"
#include "ui/dialogs/DataExchangeDialog.h"
#include "ui/dialogs/ExchangeProgressDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/QtReconstructDialogs.h"

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

void CPicdexView::ReconstructViewCommand() {
    // Edits waiting in the properties window would be lost with this instance.
    if (!CommitPropertyEdits())
        return;
    CQtReconstructDialogs dialogs(this);
    CHandOverHost host(m_doc, m_frame);
    CReconstructCommand(m_doc.Database(), dialogs, host, m_settings).Run();
}

void CPicdexView::DataExchangeViewCommand() {
    CommitPropertyEdits();
    CQtFileDialogs files(this);
    CDataExchangeDialog dialog(m_settings, files, this);
    CExchangeProgressDialog progress(this);
    if (DataExchange(m_doc.Database(), dialog, progress) <= 0)
        return;
    // Pictures copied into an empty database: show the first of them.
    if (m_doc.Database().Index().GetCurrentRecord() < 0)
        m_doc.GoTop();
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
    m_frame.UpdateTitle();
}
