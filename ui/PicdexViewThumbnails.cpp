// The picture view's thumbnail browser: the whole list from the current record (command
// 32794) and the marked records only (command 32800, the bar's "&Thumbnails" button and the
// end of the duplicate check).
#include "ui/PicdexView.h"

#include "collection/ThumbnailPages.h"
#include "ui/dialogs/ThumbnailDialog.h"

int CPicdexView::ThumbnailsCommand(bool markedOnly) {
    // Edits are written while their record is still the one shown.
    if (!CommitPropertyEdits())
        return -1;
    CThumbnailPages pages(m_doc, *this, markedOnly);
    if (!pages.Open())
        return -1;
    CThumbnailDialog dialog(pages, m_settings, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A cell shown by a click stays shown after Cancel; OK shows the selected one.
    if (accepted)
        pages.ShowCell(pages.SelectedCell());
    RealizeAndInvalidate();
    return accepted ? 1 : 0;
}

void CPicdexView::ShowMarkedThumbnails() {
    ThumbnailsCommand(true);
}
