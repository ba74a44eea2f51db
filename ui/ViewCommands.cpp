#include "ui/ViewCommands.h"

#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "collection/SaveAsCommand.h"
#include "collection/Search.h"
#include "collection/Settings.h"
#include "collection/Sorting.h"
#include "collection/ThumbnailPages.h"
#include "imaging/Contrast.h"
#include "imaging/ImageOptions.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/PicdexView.h"
#include "ui/SlideShow.h"
#include "ui/ViewPrinter.h"
#include "ui/ViewProperties.h"
#include "ui/commands/CommandRouter.h"
#include "ui/commands/CommandTable.h"
#include "ui/dialogs/ContrastDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/SetPasswordDialog.h"
#include "ui/dialogs/SortDialog.h"
#include "ui/dialogs/ThumbnailDialog.h"
#include "ui/dialogs/WorkProgress.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace {

constexpr float zoomStep = 1.25f;
constexpr float zoomInLimit = 500.0f;

} // namespace

CViewCommands::CViewCommands(CPicdexView& view) : m_view(view), m_marks(view), m_collection(view) {
    SetForce256Colors(GetForce256(view.Settings()));
    m_ignoreDuplicates = GetProfileInt(view.Settings(), "Options", "IgnoreDuply", 0) != 0;
}

CViewCommands::~CViewCommands() {
    if (!m_router)
        return;
    for (const int id : m_registered)
        m_router->Unregister(id);
    m_router->SetStateSource({});
}

void CViewCommands::Register(CCommandRouter& router) {
    m_router = &router;
    router.SetStateSource([this] { return m_view.GetCommandState(); });
    auto add = [this, &router](int id, std::function<void()> handler,
                               CCommandRouter::Query checked = {}) {
        if (router.Register(id, std::move(handler), std::move(checked)))
            m_registered.push_back(id);
    };
    CPicdexDoc& doc = m_view.Document();
    CViewProperties& properties = m_view.Properties();
    CViewPrinter& printer = m_view.Printer();
    namespace C = CommandId;
    add(C::zoomIn, [this] { ZoomIn(); });
    add(C::zoomOut, [this] { ZoomOut(); });
    add(C::zoomFit, [this] { ZoomFit(); });
    add(C::zoom100, [this] { Zoom100(); });
    for (const int id : {C::top, C::previous, C::next, C::bottom})
        add(id, [this, id] { Move(id); });
    add(C::copy, [this] { Copy(); });
    add(C::markToggle, [this] { ToggleMark(); });
    add(C::unmarkAll, [this] {
        m_marks.MarkCommands().UnmarkAllCommand();
        m_view.viewport()->update();
    });
    add(C::deleteMarked, [this, &properties] {
        // The shown record's edits are written while it is still the one they belong to.
        if (!properties.Commit())
            return;
        m_marks.MarkCommands().DeleteMarked();
        m_view.RealizeAndInvalidate();
    });
    add(C::markSearched, [this, &doc] {
        MarkSearched(doc, m_view);
        m_view.viewport()->update();
    });
    add(C::displayAll, [this, &doc, &properties] {
        if (!properties.Commit())
            return;
        DisplayAll(doc, m_view, m_view.Settings());
        m_view.Frame().UpdateTitle();
    });
    add(C::add, [this] { m_collection.Add(m_addDialogs, m_ignoreDuplicates); });
    // The Edit menu's item is checked while the search window shows.
    add(
        C::search, [this] { m_collection.ToggleSearchWindow(); },
        [this] { return m_collection.IsSearchWindowVisible(); });
    add(C::deleteRecord, [this] { DeleteRecord(); });
    add(C::sort, [this] { Sort(); });
    add(C::options, [this] { Options(); });
    add(C::contrast, [this] { Contrast(); });
    add(C::saveAs, [this] { SaveAs(); });
    add(C::print, [&printer] { printer.PrintCommand(); });
    add(C::printPreview, [&printer] { printer.PrintPreviewCommand(); });
    add(C::printSetup, [&printer] { printer.PrintSetupCommand(); });
    m_slideShow = std::make_unique<CSlideShow>(doc, m_view.Frame(), m_view,
                                               [this] { return Move(CommandId::next); });
    add(C::slideShow, [this] { m_slideShow->SlideShowCommand(); });
    add(C::wallpaper, [this] { m_slideShow->SetWallpaper(); });
    add(
        C::dataProperties, [&properties] { properties.Toggle(); },
        [&properties] { return properties.IsVisible(); });
    add(C::setPassword, [this] { SetPassword(); });
    add(C::reconstruct, [this] { m_collection.Reconstruct(); });
    add(C::dataExchange, [this] { m_collection.DataExchange(); });
    add(C::thumbnails, [this] { Thumbnails(false); });
    add(C::markedThumbnails, [this] { Thumbnails(true); });
    add(C::pageMarked, [this] { m_marks.ToggleMarkBar(); });
    add(C::keywordOnMarked, [this] { m_marks.KeywordOnMarked(); });
    add(C::transferMarked, [this] { m_marks.TransferMarked(); });
    add(C::outputMarked, [this] { m_marks.Output(true); });
    add(C::outputAll, [this] { m_marks.Output(false); });
    add(C::checkDuplicates, [this] { m_marks.CheckDuplicates(); });
    add(C::fileProperties, [this] { m_marks.FileProperties(); });
}

void CViewCommands::ShowPopupMenu(const QPoint& globalPos) {
    if (!m_router)
        return;
    const CCommandState state = m_router->State();
    auto* menu = new QMenu(&m_view);
    for (const int id : PopupLayout()) {
        const CCommandEntry* entry = FindCommand(id);
        if (id == 0) {
            menu->addSeparator();
        } else if (entry && entry->menuText && m_router->HasHandler(id)) {
            QAction* action = menu->addAction(QString::fromUtf8(entry->menuText));
            action->setData(id);
            action->setEnabled(m_router->IsEnabled(id, state));
        }
    }
    QObject::connect(menu, &QMenu::triggered, &m_view, [this](QAction* action) {
        if (m_router)
            m_router->Run(action->data().toInt());
    });
    // The command may open a dialog while the menu is still unwinding: delete it later.
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(globalPos);
}

void CViewCommands::ZoomIn() {
    // Never starts at or above 500 %, so one step can still end above it.
    if (m_view.GetZoomLevel() * 100.0f >= zoomInLimit)
        return;
    m_view.ZoomIn(nullptr, zoomStep);
    SnapZoom();
    m_view.ShowZoomPercent();
}

void CViewCommands::ZoomOut() {
    m_view.ZoomOut(nullptr, zoomStep);
    SnapZoom();
    m_view.ShowZoomPercent();
}

void CViewCommands::ZoomFit() {
    PxImage* picture = m_view.Document().GetCurrentPicture();
    if (!picture || !picture->HasImage())
        return;
    // The whole window counts: once the picture fits, the scroll bars go away.
    const QSize room = m_view.maximumViewportSize();
    const double scale = std::min({1.0, double(room.width()) / double(picture->GetWidth()),
                                   double(room.height()) / double(picture->GetHeight())});
    // Rounded down, so that the zoomed picture is never a pixel larger than the window.
    m_view.ZoomPercent(std::max(1, static_cast<int>(std::floor(scale * 100.0))));
    m_view.ShowZoomPercent();
}

void CViewCommands::SnapZoom() {
    // Repeated multiplication drifts; zooming back must land on exactly 100 %.
    const float percent = m_view.GetZoomLevel() * 100.0f;
    if (percent > 99.0f && percent < 101.0f)
        m_view.ZoomOriginal();
}

void CViewCommands::Zoom100() {
    m_view.Document().ReloadCurrent();
    m_view.Frame().ShowZoomPercentText(100);
    m_view.RealizeAndInvalidate();
}

bool CViewCommands::Move(int id) {
    // Edits that could not be written stay with the record they were made for.
    if (!m_view.Properties().Commit())
        return false;
    CPicdexDoc& doc = m_view.Document();
    m_view.SetRedraw(false);
    bool moved = false;
    switch (id) {
    case CommandId::top:
        moved = doc.GoTop();
        break;
    case CommandId::previous:
        moved = doc.GoPrevious();
        break;
    case CommandId::next:
        moved = doc.GoNext();
        break;
    default:
        moved = doc.GoBottom();
        break;
    }
    m_view.SetRedraw(true);
    m_view.RealizeAndInvalidate();
    m_view.Properties().Refresh(false);
    return moved;
}

void CViewCommands::MoveFromProperties(int message) {
    Move(message == PrivateMessage::nextFromProperties ? CommandId::next : CommandId::previous);
}

void CViewCommands::Copy() {
    PxImage* picture = m_view.Document().GetCurrentPicture();
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

void CViewCommands::ToggleMark() {
    m_marks.MarkCommands().ToggleMark();
    m_view.viewport()->update();
}

void CViewCommands::DeleteRecord() {
    // Written first: once the record is deleted its edits have nowhere to go.
    if (!m_view.Properties().Commit())
        return;
    m_view.Document().DeleteCommand();
    m_view.RealizeAndInvalidate();
    m_view.Properties().Refresh(false);
}

void CViewCommands::Sort() {
    if (!m_view.Properties().Commit())
        return;
    CSortDialog dialog(&m_view);
    SortCommand(m_view.Document(), m_view, dialog, m_view.Settings());
}

void CViewCommands::Options() {
    COptionsDialog dialog(m_view.Settings(), &m_view);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetForce256Colors(dialog.Force256());
    m_ignoreDuplicates = dialog.IgnoreDuplicates();
}

void CViewCommands::Contrast() {
    CContrastDialog dialog(
        [this](int step) {
            PxImage* picture = m_view.Document().GetCurrentPicture();
            if (!picture || !picture->HasImage())
                return;
            AdjustContrast(*picture, step);
            m_view.viewport()->update();
        },
        &m_view);
    dialog.exec();
}

void CViewCommands::SetPassword() {
    CSetPasswordDialog dialog(&m_view);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A failed write has shown its cause; the old password stays.
    m_view.Document().Database().SetPassword(dialog.Password());
}

void CViewCommands::SaveAs() {
    CQtFileDialogs dialogs(&m_view);
    CSaveAsCommand(m_view.Document(), dialogs, m_view.Settings()).Run();
}

int CViewCommands::Thumbnails(bool markedOnly) {
    // Edits are written while their record is still the one shown.
    if (!m_view.Properties().Commit())
        return -1;
    CThumbnailPages pages(m_view.Document(), m_view, markedOnly);
    if (!pages.Open())
        return -1;
    CThumbnailDialog dialog(pages, m_view.Settings(), &m_view);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A cell shown by a click stays shown after Cancel; OK shows the selected one.
    if (accepted)
        pages.ShowCell(pages.SelectedCell());
    m_view.RealizeAndInvalidate();
    return accepted ? 1 : 0;
}
