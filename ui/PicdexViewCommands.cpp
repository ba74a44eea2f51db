// The commands the picture view runs: zoom, moving through the list, the clipboard, the
// marked-data and list commands, and the dialogs that end in an action.
#include "ui/PicdexView.h"

#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "collection/SaveAsCommand.h"
#include "collection/Search.h"
#include "collection/Sorting.h"
#include "imaging/Contrast.h"
#include "imaging/ImageOptions.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/SlideShow.h"
#include "ui/ViewMarkDialogs.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/ContrastDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PropertiesWindow.h"
#include "ui/dialogs/SetPasswordDialog.h"
#include "ui/dialogs/SortDialog.h"
#include "ui/dialogs/WorkProgress.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace {

constexpr float zoomStep = 1.25f;
constexpr float zoomInLimit = 500.0f;

} // namespace

void CPicdexView::RegisterCommands(CCommandRouter& router) {
    m_router = &router;
    router.SetStateSource([this] { return GetCommandState(); });
    auto add = [this, &router](int id, std::function<void()> handler) {
        if (router.Register(id, std::move(handler)))
            m_registered.push_back(id);
    };
    namespace C = CommandId;
    add(C::zoomIn, [this] { ZoomInCommand(); });
    add(C::zoomOut, [this] { ZoomOutCommand(); });
    add(C::zoomFit, [this] { ZoomFitCommand(); });
    add(C::zoom100, [this] { Zoom100Command(); });
    for (const int id : {C::top, C::previous, C::next, C::bottom})
        add(id, [this, id] { MoveCommand(id); });
    add(C::copy, [this] { CopyCommand(); });
    add(C::markToggle, [this] { ToggleMarkCommand(); });
    add(C::unmarkAll, [this] {
        CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).UnmarkAllCommand();
        viewport()->update();
    });
    add(C::deleteMarked, [this] {
        // The shown record's edits are written while it is still the one they belong to.
        if (!CommitPropertyEdits())
            return;
        CMarkCommands(m_doc, *this, *m_markDialogs, m_settings).DeleteMarked();
        RealizeAndInvalidate();
    });
    add(C::markSearched, [this] {
        MarkSearched(m_doc, *this);
        viewport()->update();
    });
    add(C::displayAll, [this] {
        if (!CommitPropertyEdits())
            return;
        DisplayAll(m_doc, *this, m_settings);
        m_frame.UpdateTitle();
    });
    add(C::add, [this] { AddCommand(); });
    // The Edit menu's item is checked while the search window shows.
    if (router.Register(
            C::search, [this] { ToggleSearchWindow(); },
            [this] { return IsSearchWindowVisible(); }))
        m_registered.push_back(C::search);
    add(C::deleteRecord, [this] { DeleteRecordCommand(); });
    add(C::sort, [this] { SortViewCommand(); });
    add(C::options, [this] { OptionsCommand(); });
    add(C::contrast, [this] { ContrastCommand(); });
    add(C::saveAs, [this] { SaveAsViewCommand(); });
    add(C::print, [this] { PrintCommand(); });
    add(C::printPreview, [this] { PrintPreviewCommand(); });
    add(C::printSetup, [this] { PrintSetupCommand(); });
    m_slideShow = std::make_unique<CSlideShow>(m_doc, m_frame, *this,
                                               [this] { return MoveCommand(CommandId::next); });
    add(C::slideShow, [this] { m_slideShow->SlideShowCommand(); });
    add(C::wallpaper, [this] { m_slideShow->SetWallpaper(); });
    if (router.Register(
            C::dataProperties, [this] { TogglePropertiesWindow(); },
            [this] { return m_properties && m_properties->isVisible(); }))
        m_registered.push_back(C::dataProperties);
    add(C::setPassword, [this] { SetPasswordCommand(); });
    add(C::reconstruct, [this] { ReconstructViewCommand(); });
    add(C::dataExchange, [this] { DataExchangeViewCommand(); });
    add(C::thumbnails, [this] { ThumbnailsCommand(false); });
    add(C::markedThumbnails, [this] { ThumbnailsCommand(true); });
    RegisterMarkCommands(router);
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

void CPicdexView::ZoomFitCommand() {
    PxImage* picture = m_doc.GetCurrentPicture();
    if (!picture || !picture->HasImage())
        return;
    // The whole window counts: once the picture fits, the scroll bars go away.
    const QSize room = maximumViewportSize();
    const double scale = std::min({1.0, double(room.width()) / double(picture->GetWidth()),
                                   double(room.height()) / double(picture->GetHeight())});
    // Rounded down, so that the zoomed picture is never a pixel larger than the window.
    ZoomPercent(std::max(1, static_cast<int>(std::floor(scale * 100.0))));
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

bool CPicdexView::MoveCommand(int id) {
    // Edits that could not be written stay with the record they were made for.
    if (!CommitPropertyEdits())
        return false;
    SetRedraw(false);
    bool moved = false;
    switch (id) {
    case CommandId::top:
        moved = m_doc.GoTop();
        break;
    case CommandId::previous:
        moved = m_doc.GoPrevious();
        break;
    case CommandId::next:
        moved = m_doc.GoNext();
        break;
    default:
        moved = m_doc.GoBottom();
        break;
    }
    SetRedraw(true);
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
    return moved;
}

void CPicdexView::MoveFromProperties(int message) {
    MoveCommand(message == PrivateMessage::nextFromProperties ? CommandId::next
                                                              : CommandId::previous);
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
    // Written first: once the record is deleted its edits have nowhere to go.
    if (!CommitPropertyEdits())
        return;
    m_doc.DeleteCommand();
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
}

void CPicdexView::SortViewCommand() {
    if (!CommitPropertyEdits())
        return;
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

void CPicdexView::SetPasswordCommand() {
    CSetPasswordDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A failed write has shown its cause; the old password stays.
    m_doc.Database().SetPassword(dialog.Password());
}

void CPicdexView::SaveAsViewCommand() {
    CQtFileDialogs dialogs(this);
    CSaveAsCommand(m_doc, dialogs, m_settings).Run();
}
