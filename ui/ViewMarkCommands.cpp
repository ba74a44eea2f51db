#include "ui/ViewMarkCommands.h"

#include "collection/Duplicates.h"
#include "collection/PicdexDoc.h"
#include "collection/PictureOutput.h"
#include "platform/Prompt.h"
#include "ui/PicdexView.h"
#include "ui/ViewProperties.h"
#include "ui/dialogs/FilePropertiesDialog.h"
#include "ui/dialogs/MarkBar.h"
#include "ui/dialogs/OutputDialog.h"
#include "ui/dialogs/WorkProgress.h"

#include <cstdio>
#include <memory>

CViewMarkCommands::CViewMarkCommands(CPicdexView& view) : m_view(view), m_dialogs(&view) {}

CMarkCommands CViewMarkCommands::MarkCommands() {
    return CMarkCommands(m_view.Document(), m_view, m_dialogs, m_view.Settings());
}

CMarkBar* CViewMarkCommands::MarkBar() const {
    return m_markBar.data();
}

void CViewMarkCommands::ShowMarkBar() {
    if (!m_markBar) {
        m_markBar = new CMarkBar([this](int code) { MoveAmongMarks(code); }, &m_view);
        // Beside the view's top edge, where it hides nothing of a centred picture.
        m_markBar->move(m_view.mapToGlobal(QPoint(8, 8)));
    }
    m_markBar->show();
    m_markBar->raise();
}

void CViewMarkCommands::HideMarkBar() {
    if (m_markBar)
        m_markBar->hide();
}

void CViewMarkCommands::ToggleMarkBar() {
    if (m_markBar && m_markBar->isVisible())
        HideMarkBar();
    else
        ShowMarkBar();
}

void CViewMarkCommands::MoveAmongMarks(int code) {
    MarkCommands().MoveAmongMarks(code);
    m_view.RealizeAndInvalidate();
}

void CViewMarkCommands::KeywordOnMarked() {
    if (!m_view.Properties().Commit())
        return;
    CMarkCommands commands = MarkCommands();
    {
        CWaitCursor wait;
        commands.KeywordOnMarked();
    }
    m_view.RealizeAndInvalidate();
}

void CViewMarkCommands::TransferMarked() {
    CMarkCommands commands = MarkCommands();
    const int marks = m_view.Document().Database().Marks().Count();
    std::unique_ptr<CWorkProgress> progress;
    commands.SetTransferProgress([&](int copied) {
        // Made at the first copy: the file dialog comes first.
        if (!progress)
            progress = std::make_unique<CWorkProgress>(
                &m_view, QStringLiteral("Transfer marked data"), marks);
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

void CViewMarkCommands::Output(bool marked) {
    if (!m_view.Properties().Commit())
        return;
    CPicdexDoc& doc = m_view.Document();
    CPictureDatabase& db = doc.Database();
    int total = 0;
    if (marked) {
        total = db.Marks().Count();
    } else {
        int position = 0;
        total = db.CountRange(position, false);
    }
    COutputDialog dialog(&m_view);
    std::unique_ptr<CWorkProgress> progress;
    // The picture being written shows in the view as the list is walked.
    const OutputProgress step = [&](int done) {
        if (!progress)
            progress = std::make_unique<CWorkProgress>(&m_view, QStringLiteral("Output"), total);
        progress->Step(done, QStringLiteral("%1 / %2").arg(done).arg(total));
    };
    if (marked)
        OutputMarked(doc, dialog, step);
    else
        OutputAll(doc, dialog, step);
    progress.reset();
    m_view.RealizeAndInvalidate();
    m_view.Properties().Refresh(false);
    m_view.Frame().UpdateTitle();
}

void CViewMarkCommands::CheckDuplicates() {
    if (!m_view.Properties().Commit())
        return;
    CDuplicates duplicates(m_view.Document(), m_view);
    std::unique_ptr<CWorkProgress> progress;
    int entries = 0;
    duplicates.SetProcessPending([&] {
        // Made once the question has been answered.
        if (!progress)
            progress = std::make_unique<CWorkProgress>(
                &m_view, QStringLiteral("Check for duplicate data"), 0);
        ++entries;
        progress->Step(entries, QStringLiteral("%1 pictures checked").arg(entries));
    });
    // When duplicates were found, the bar and the marked thumbnails are shown from inside
    // the check; the progress window goes before the browser opens.
    duplicates.SetBeforeShowing([&progress] { progress.reset(); });
    duplicates.CheckDuplicates();
    progress.reset();
    m_view.RealizeAndInvalidate();
}

void CViewMarkCommands::FileProperties() {
    CFilePropertiesDialog dialog(m_view.Document().Database(), &m_view);
    dialog.exec();
}
