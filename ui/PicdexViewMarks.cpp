// The view's commands on marked records and on the whole collection that write or count in
// bulk: the bar for paging among marks, keyword on marked data, transfer, output to a
// folder, the duplicate check and the counts by type. The work is the collection's; the
// windows gather input, keep painting while the work runs and show what it did.
#include "ui/PicdexView.h"

#include "collection/Duplicates.h"
#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "collection/PictureOutput.h"
#include "platform/Prompt.h"
#include "ui/ViewMarkDialogs.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/FilePropertiesDialog.h"
#include "ui/dialogs/MarkBar.h"
#include "ui/dialogs/OutputDialog.h"
#include "ui/dialogs/WorkProgress.h"

#include <cstdio>

void CPicdexView::RegisterMarkCommands(CCommandRouter& router) {
    namespace C = CommandId;
    const std::pair<int, std::function<void()>> handlers[] = {
        {C::pageMarked, [this] { ToggleMarkBar(); }},
        {C::keywordOnMarked, [this] { KeywordOnMarkedCommand(); }},
        {C::transferMarked, [this] { TransferMarkedCommand(); }},
        {C::outputMarked, [this] { OutputCommand(true); }},
        {C::outputAll, [this] { OutputCommand(false); }},
        {C::checkDuplicates, [this] { CheckDuplicatesCommand(); }},
        {C::fileProperties, [this] { FilePropertiesCommand(); }},
    };
    for (const auto& [id, handler] : handlers)
        if (router.Register(id, handler))
            m_registered.push_back(id);
}

CMarkBar* CPicdexView::MarkBar() const {
    return m_markBar.data();
}

void CPicdexView::ShowMarkBar() {
    if (!m_markBar) {
        m_markBar = new CMarkBar([this](int code) { MoveAmongMarks(code); }, this);
        // Beside the view's top edge, where it hides nothing of a centred picture.
        m_markBar->move(mapToGlobal(QPoint(8, 8)));
    }
    m_markBar->show();
    m_markBar->raise();
}

void CPicdexView::HideMarkBar() {
    if (m_markBar)
        m_markBar->hide();
}

void CPicdexView::ToggleMarkBar() {
    if (m_markBar && m_markBar->isVisible())
        HideMarkBar();
    else
        ShowMarkBar();
}

void CPicdexView::MoveAmongMarks(int code) {
    CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).MoveAmongMarks(code);
    RealizeAndInvalidate();
}

void CPicdexView::KeywordOnMarkedCommand() {
    if (!CommitPropertyEdits())
        return;
    CMarkCommands commands(m_doc, *this, *m_markDialogs, m_settings);
    {
        CWaitCursor wait;
        commands.KeywordOnMarked();
    }
    RealizeAndInvalidate();
}

void CPicdexView::TransferMarkedCommand() {
    CMarkCommands commands(m_doc, *this, *m_markDialogs, m_settings);
    const int marks = m_doc.Database().Marks().Count();
    std::unique_ptr<CWorkProgress> progress;
    commands.SetTransferProgress([&](int copied) {
        // Made at the first copy: the file dialog comes first.
        if (!progress)
            progress = std::make_unique<CWorkProgress>(this, QStringLiteral("Transfer marked data"),
                                                       marks);
        progress->Step(copied, QStringLiteral("Copied : %1").arg(copied));
    });
    const int copied = commands.TransferMarked();
    progress.reset();
    if (copied < 0)
        return;
    // Only the copies that were written and synced are counted.
    char text[64];
    std::snprintf(text, sizeof text, "Transferred %d of %d marked pictures.", copied, marks);
    ShowMessage(text);
}

void CPicdexView::OutputCommand(bool marked) {
    if (!CommitPropertyEdits())
        return;
    CPictureDatabase& db = m_doc.Database();
    int total = 0;
    if (marked) {
        total = db.Marks().Count();
    } else {
        int position = 0;
        total = db.CountRange(position, false);
    }
    COutputDialog dialog(this);
    std::unique_ptr<CWorkProgress> progress;
    // The picture being written shows in the view as the list is walked.
    const OutputProgress step = [&](int done) {
        if (!progress)
            progress = std::make_unique<CWorkProgress>(this, QStringLiteral("Output"), total);
        progress->Step(done, QStringLiteral("%1 / %2").arg(done).arg(total));
    };
    if (marked)
        OutputMarked(m_doc, dialog, step);
    else
        OutputAll(m_doc, dialog, step);
    progress.reset();
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
    m_frame.UpdateTitle();
}

void CPicdexView::CheckDuplicatesCommand() {
    if (!CommitPropertyEdits())
        return;
    CDuplicates duplicates(m_doc, *this);
    std::unique_ptr<CWorkProgress> progress;
    int entries = 0;
    duplicates.SetProcessPending([&] {
        // Made once the question has been answered.
        if (!progress)
            progress = std::make_unique<CWorkProgress>(
                this, QStringLiteral("Check for duplicate data"), 0);
        ++entries;
        progress->Step(entries, QStringLiteral("%1 pictures checked").arg(entries));
    });
    // When duplicates were found, the bar and the marked thumbnails are shown from inside
    // the check; the progress window goes before the browser opens.
    duplicates.SetBeforeShowing([&progress] { progress.reset(); });
    duplicates.CheckDuplicates();
    progress.reset();
    RealizeAndInvalidate();
}

void CPicdexView::FilePropertiesCommand() {
    CFilePropertiesDialog dialog(m_doc.Database(), this);
    dialog.exec();
}
