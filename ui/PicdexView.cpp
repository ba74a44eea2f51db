#include "ui/PicdexView.h"

#include "collection/KeywordEdits.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageOptions.h"
#include "platform/FileSystem.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/Prompt.h"
#include "storage/Password.h"
#include "ui/DragFolder.h"
#include "ui/MarkSign.h"
#include "ui/SlideShow.h"
#include "ui/ViewMarkDialogs.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/PropertiesWindow.h"

#include <QPrinter>
#include <QTimer>

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// Opening needs a password dialog; until the frame provides one a protected database
// cannot be opened (the question is answered with Cancel).
class CNoPasswordDialog : public IPasswordDialog {
public:
    bool AskPassword(std::string& /*entered*/) override { return false; }
};

int ClampToInt(std::uint32_t value) {
    return value > std::uint32_t{INT_MAX} ? INT_MAX : static_cast<int>(value);
}

} // namespace

CPicdexView::CPicdexView(CPicdexDoc& doc, IViewFrame& frame, ISettings& settings, QWidget* parent)
    : PxPanView(parent), m_doc(doc), m_frame(frame), m_settings(settings),
      m_markDialogs(std::make_unique<CViewMarkDialogs>(this)),
      m_markSign(std::make_unique<CBitmap>()) {
    m_listMode = GetSortType(settings);
    m_force256 = GetForce256(settings);
    m_ignoreDuplicates = GetProfileInt(settings, "Options", "IgnoreDuply", 0) != 0;
    SetForce256Colors(m_force256);
    BuildMarkSign(*m_markSign);
    m_doc.AddView(*this);

    SetScrollSizes(MM_ANISOTROPIC, {1000, 1000});
    SetZoomMode(zoomNormal);
    // Drops arrive at the viewport, which hands them to this widget's handlers.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Picture"));
}

CPicdexView::~CPicdexView() {
    if (m_router) {
        for (const int id : m_registered)
            m_router->Unregister(id);
        m_router->SetStateSource({});
    }
    m_doc.RemoveView(*this);
    RemoveOldDragFiles(DragFolderPath(), CurrentTime32());
}

// --- what the document tells the view ---

// The document and the collection commands write pending edits before they move, search
// or sort; a failed write has shown its cause, and they go on.
void CPicdexView::CommitPendingEdits() {
    CommitPropertyEdits();
}
void CPicdexView::ShowCurrentRecord() {
    RefreshPropertiesWindow(false);
    // Once the picture is on screen, its neighbours in the list are decoded ahead.
    QTimer::singleShot(0, this, [this] { m_doc.ReadAheadNeighbours(); });
}
void CPicdexView::BlankProperties() {
    RefreshPropertiesWindow(true);
}
bool CPicdexView::HasPendingPropertyEdits() const {
    return m_properties && m_properties->IsModified();
}

bool CPicdexView::CommitPropertyEdits() {
    if (!m_properties || !m_properties->IsModified())
        return true;
    const CPictureDatabase::Keywords keywords = m_properties->Keywords();
    if (WriteKeywordEdits(m_doc, keywords) == 0) {
        m_failedEdits = keywords;
        m_frame.UpdateModifiedPane();
        return false;
    }
    m_failedEdits.reset();
    m_properties->SetModified(false);
    return true;
}

void CPicdexView::RefreshPropertiesWindow(bool blank) {
    if (!m_properties)
        return;
    CPictureDatabase& db = m_doc.Database();
    const bool record = !blank && db.IsOpen() && db.Index().GetCurrentRecord() >= 0;
    CRecordHead head = CPropertiesWindow::BlankHead();
    // An empty list shows nothing; a record that cannot be read leaves what was shown.
    if (record && !m_doc.GetCurrentHead(head))
        return;
    // Keywords typed with no record shown would have nowhere to go.
    m_properties->SetReadOnly(!record || db.IsReadOnly());
    m_failedEdits.reset();
    m_properties->Fill(head);
}

void CPicdexView::TogglePropertiesWindow() {
    if (!m_properties) {
        m_properties = std::make_unique<CPropertiesWindow>(
            m_doc.Database(), [this](int message) { MoveFromProperties(message); },
            [this] { m_frame.UpdateModifiedPane(); }, window());
    } else if (m_properties->isVisible()) {
        m_properties->hide();
        return;
    }
    RefreshPropertiesWindow(false);
    // Shown as a modeless window is: active, ready for typing.
    m_properties->show();
    m_properties->raise();
    m_properties->activateWindow();
    m_properties->FocusFirstEmptyField();
}

bool CPicdexView::CommitBeforeClose() {
    return CommitPropertyEdits() ||
           AskYesNo("The edited keywords were not saved. Close Picdex anyway?");
}

void CPicdexView::ZoomTo100() {
    ZoomPercent(100);
    ShowZoomPercent();
}

void CPicdexView::RecomputeSizes() {
    RecomputeScrollSizes();
}

void CPicdexView::RecomputeScrollSizes() {
    PxImage* picture = m_doc.GetCurrentPicture();
    const CSize size =
        picture ? CSize(ClampToInt(picture->GetWidth()), ClampToInt(picture->GetHeight()))
                : CSize(0, 0);
    SetScrollSizes(MM_ANISOTROPIC, size);
}

void CPicdexView::RealizePalette() {
    RealizePicturePalette(true);
}

void CPicdexView::SetRedraw(bool on) {
    viewport()->setUpdatesEnabled(on);
}

void CPicdexView::Repaint() {
    viewport()->update();
}

void CPicdexView::UpdateFrame() {
    m_frame.UpdateTitle();
}

void CPicdexView::UpdateAll() {
    viewport()->update();
}

void CPicdexView::FocusView() {
    setFocus(Qt::OtherFocusReason);
}

void CPicdexView::RefreshView() {
    RealizePicturePalette(true);
    viewport()->repaint();
    RefreshPropertiesWindow(false);
}

bool CPicdexView::IsMainWindowMinimized() const {
    return m_frame.IsFrameMinimized();
}
void CPicdexView::MinimizeMainWindow() {
    m_frame.MinimizeFrame();
}
void CPicdexView::RestoreMainWindow() {
    m_frame.RestoreFrame();
}

// --- drawing ---

void CPicdexView::OnDraw(CDC& dc) {
    PxImage* picture = m_doc.GetCurrentPicture();
    if (!picture)
        return;
    CPalette* palette = picture->GetPalette();
    CPalette* previous = palette ? dc.SelectPalette(palette, true) : nullptr;
    const int width = ClampToInt(picture->GetWidth());
    const int height = ClampToInt(picture->GetHeight());
    picture->StretchToDC(dc, CRect(0, 0, width, height), CRect(0, 0, width, height));
    if (palette)
        dc.SelectPalette(previous, true);

    CPictureDatabase& database = m_doc.Database();
    const std::int32_t record = database.Index().GetCurrentRecord();
    if (record < 0 || !database.Marks().IsMarked(record) || !m_markSign->IsCreated())
        return;
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(m_markSign.get());
    dc.BitBlt(0, 0, markSignSize, markSignSize, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}

void CPicdexView::RealizePicturePalette(bool foreground) {
    PxImage* picture = m_doc.GetCurrentPicture();
    CPalette* palette = picture ? picture->GetPalette() : nullptr;
    if (!palette)
        return;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CPalette* previous = dc.SelectPalette(palette, !foreground);
    if (dc.RealizePalette() > 0)
        viewport()->update();
    dc.SelectPalette(previous, true);
}

void CPicdexView::RealizeAndInvalidate() {
    RealizePicturePalette(true);
    viewport()->update();
}

// --- zoom ---

void CPicdexView::ShowZoomPercent() {
    m_frame.ShowZoomPercentText(static_cast<int>(std::lround(double(GetZoomLevel()) * 100.0)));
}

void CPicdexView::ApplyZoomValue(int value) {
    const unsigned percent = std::min(static_cast<unsigned>(value), 500u);
    ZoomPercent(static_cast<int>(percent));
}

// --- state and opening ---

CCommandState CPicdexView::GetCommandState() {
    CPictureDatabase& database = m_doc.Database();
    CCommandState state;
    state.databaseOpen = database.IsOpen();
    state.writable = state.databaseOpen && !database.IsReadOnly();
    state.searching = database.IsSearching();
    state.marksExist = database.Marks().HasMarks();
    const PxImage* picture = m_doc.GetCurrentPicture();
    state.pictureShown = picture && picture->HasImage();
    state.recordShown = state.databaseOpen && database.Index().GetCurrentRecord() >= 0;
    return state;
}

std::string CPicdexView::GetCurrentKey() {
    return std::string(m_doc.Database().Index().Current().Key());
}

bool CPicdexView::OpenInitialDatabase(const std::string& path) {
    CNoPasswordDialog noPassword;
    IPasswordDialog& dialog = m_passwordDialog ? *m_passwordDialog : noPassword;
    if (!m_doc.Database().OpenForDocument(path, dialog)) {
        m_frame.CloseFrame();
        return false;
    }
    OpenSucceeded();
    return true;
}

int CPicdexView::OpenDatabaseByPath(const std::string& path) {
    if (m_doc.Database().IsOpen()) {
        m_frame.StartSecondInstance(path);
        ZoomPercent(100);
        ShowZoomPercent();
        return -1;
    }
    return OpenInitialDatabase(path) ? 1 : 0;
}

void CPicdexView::OpenSucceeded() {
    RebuildList(m_doc, *this);
    // An empty list loads no picture, so nothing else would size the view for "none".
    if (!m_doc.GoTop())
        RecomputeScrollSizes();
    RealizeAndInvalidate();
    RefreshPropertiesWindow(false);
    m_frame.UpdateTitle();
}

QPrinter& CPicdexView::Printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}
