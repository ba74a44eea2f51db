// The commands the picture view runs: zoom, moving through the list, the clipboard, the
// marked-data and list commands, and the dialogs that end in an action.
#include "ui/PicdexView.h"

#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "collection/SaveAsCommand.h"
#include "collection/Search.h"
#include "collection/Sorting.h"
#include "imaging/ImageOptions.h"
#include "imaging/Thumbnail.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/ViewMarkDialogs.h"
#include "ui/dialogs/ContrastDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/SortDialog.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <climits>
#include <iterator>

namespace {

constexpr float zoomStep = 1.25f;
constexpr float zoomInLimit = 500.0f;

constexpr int viewCommands[] = {
    CommandId::zoomIn,     CommandId::zoomOut,      CommandId::zoom100,
    CommandId::top,        CommandId::previous,     CommandId::next,
    CommandId::bottom,     CommandId::copy,         CommandId::markToggle,
    CommandId::unmarkAll,  CommandId::deleteMarked, CommandId::markSearched,
    CommandId::displayAll, CommandId::deleteRecord, CommandId::sort,
    CommandId::options,    CommandId::contrast,     CommandId::saveAs,
    CommandId::print,      CommandId::printPreview, CommandId::printSetup,
    CommandId::add,        CommandId::search,
};

// Shows the wait cursor for the life of the object.
class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

bool CPicdexView::HandlesCommand(int id) {
    return std::find(std::begin(viewCommands), std::end(viewCommands), id) !=
           std::end(viewCommands);
}

bool CPicdexView::OnCommand(int id) {
    if (!HandlesCommand(id))
        return false;
    const CCommandState state = GetCommandState();
    switch (id) {
    case CommandId::zoomIn:
        ZoomInCommand();
        break;
    case CommandId::zoomOut:
        ZoomOutCommand();
        break;
    case CommandId::zoom100:
        Zoom100Command();
        break;
    case CommandId::top:
    case CommandId::previous:
    case CommandId::next:
    case CommandId::bottom:
        MoveCommand(id);
        break;
    case CommandId::copy:
        if (state.pictureShown)
            CopyCommand();
        break;
    case CommandId::markToggle:
        ToggleMarkCommand();
        break;
    case CommandId::unmarkAll:
        if (state.marksExist) {
            CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).UnmarkAllCommand();
            viewport()->update();
        }
        break;
    case CommandId::deleteMarked:
        if (state.marksExist) {
            CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).DeleteMarked();
            RealizeAndInvalidate();
        }
        break;
    case CommandId::markSearched:
        MarkSearched(m_doc, *this);
        viewport()->update();
        break;
    case CommandId::displayAll:
        if (state.searching) {
            DisplayAll(m_doc, *this, m_settings);
            m_frame.UpdateTitle();
        }
        break;
    case CommandId::add:
        if (state.writable)
            AddCommand();
        break;
    case CommandId::search:
        ToggleSearchWindow();
        break;
    case CommandId::deleteRecord:
        if (state.writable)
            DeleteRecordCommand();
        break;
    case CommandId::sort:
        SortViewCommand();
        break;
    case CommandId::options:
        OptionsCommand();
        break;
    case CommandId::contrast:
        ContrastCommand();
        break;
    case CommandId::saveAs:
        SaveAsViewCommand();
        break;
    case CommandId::print:
        PrintCommand();
        break;
    case CommandId::printPreview:
        PrintPreviewCommand();
        break;
    case CommandId::printSetup:
        PrintSetupCommand();
        break;
    }
    return true;
}

void CPicdexView::ZoomInCommand() {
    // Never starts at or above 500 %, so one step can still end above it.
    if (GetZoomLevel() * 100.0f >= zoomInLimit)
        return;
    ZoomIn(nullptr, zoomStep);
    SnapZoom();
    ShowZoomPercent();
}

void CPicdexView::ZoomOutCommand() {
    ZoomOut(nullptr, zoomStep);
    SnapZoom();
    ShowZoomPercent();
}

void CPicdexView::SnapZoom() {
    // Repeated multiplication drifts; zooming back must land on exactly 100 %.
    const float percent = GetZoomLevel() * 100.0f;
    if (percent > 99.0f && percent < 101.0f)
        ZoomOriginal();
}

void CPicdexView::Zoom100Command() {
    m_doc.ReloadCurrent();
    m_frame.ShowZoomPercentText(100);
    RealizeAndInvalidate();
}

void CPicdexView::MoveCommand(int id) {
    CommitPropertyEdits();
    SetRedraw(false);
    switch (id) {
    case CommandId::top:
        m_doc.GoTop();
        break;
    case CommandId::previous:
        m_doc.GoPrevious();
        break;
    case CommandId::next:
        m_doc.GoNext();
        break;
    default:
        m_doc.GoBottom();
        break;
    }
    SetRedraw(true);
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
}

void CPicdexView::CopyCommand() {
    PxImage* picture = m_doc.GetCurrentPicture();
    if (!picture || !picture->HasImage())
        return;
    CWaitCursor wait;
    const int width = static_cast<int>(std::min<std::uint32_t>(picture->GetWidth(), INT_MAX));
    const int height = static_cast<int>(std::min<std::uint32_t>(picture->GetHeight(), INT_MAX));
    CDC screen;
    screen.CreateScreenDC();
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(screen, width, height))
        return;
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    CPalette* palette = picture->GetPalette();
    CPalette* oldPalette = palette ? memory.SelectPalette(palette, true) : nullptr;
    if (palette)
        memory.RealizePalette();
    const int oldMode = memory.SetStretchBltMode(COLORONCOLOR);
    picture->StretchToDC(memory, CRect(0, 0, width, height), CRect(0, 0, width, height));
    memory.SetStretchBltMode(oldMode);
    if (palette)
        memory.SelectPalette(oldPalette, true);
    memory.SelectObject(oldBitmap);

    const QImage image = BitmapToImage(bitmap);
    if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard && !image.isNull())
        clipboard->setImage(image);
}

void CPicdexView::ToggleMarkCommand() {
    CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).ToggleMark();
    viewport()->update();
}

void CPicdexView::DeleteRecordCommand() {
    m_doc.DeleteCommand();
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
}

void CPicdexView::SortViewCommand() {
    CSortDialog dialog(this);
    SortCommand(m_doc, *this, dialog, m_settings);
}

void CPicdexView::OptionsCommand() {
    COptionsDialog dialog(m_settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_force256 = dialog.Force256();
    SetForce256Colors(m_force256);
    m_ignoreDuplicates = dialog.IgnoreDuplicates();
}

void CPicdexView::ContrastCommand() {
    CContrastDialog dialog(
        [this](int step) {
            PxImage* picture = m_doc.GetCurrentPicture();
            if (!picture || !picture->HasImage())
                return;
            AdjustContrast(*picture, step);
            viewport()->update();
        },
        this);
    dialog.exec();
}

void CPicdexView::SaveAsViewCommand() {
    CQtFileDialogs dialogs(this);
    CSaveAsCommand(m_doc, dialogs, m_settings).Run();
}
