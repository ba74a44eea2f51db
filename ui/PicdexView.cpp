#include "ui/PicdexView.h"

#include "collection/PasswordCheck.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageOptions.h"
#include "platform/FileSystem.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/Prompt.h"
#include "ui/DragFolder.h"
#include "ui/MarkSign.h"
#include "ui/ViewCommands.h"
#include "ui/ViewDragAndDrop.h"
#include "ui/ViewPrinter.h"
#include "ui/ViewProperties.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr unsigned panCursorId = 130;
const QPoint keyboardMenuOffset(5, 5);

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
      m_markSign(std::make_unique<CBitmap>()) {
    m_listMode = GetSortType(settings);
    m_properties = std::make_unique<CViewProperties>(
        doc, frame, *this, [this](int message) { m_commands->MoveFromProperties(message); });
    m_printer = std::make_unique<CViewPrinter>(frame, *this, [this](CDC& dc, CSize page) {
        PreparePrintDC(dc, page);
        OnDraw(dc);
    });
    m_commands = std::make_unique<CViewCommands>(*this);
    m_dragAndDrop = std::make_unique<CViewDragAndDrop>(*this, *m_commands);
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
    // The handlers go back to the router before the view stops being the document's.
    m_dragAndDrop.reset();
    m_commands.reset();
    m_doc.RemoveView(*this);
    RemoveOldDragFiles(DragFolderPath(), CurrentTime32());
}

void CPicdexView::RegisterCommands(CCommandRouter& router) {
    m_commands->Register(router);
}

void CPicdexView::SetAddDialogs(IAddDialogs* dialogs) {
    m_commands->SetAddDialogs(dialogs);
}

// --- what the document tells the view ---

// The document and the collection commands write pending edits before they move, search
// or sort; a failed write has shown its cause, and they go on.
void CPicdexView::CommitPendingEdits() {
    m_properties->Commit();
}
void CPicdexView::ShowCurrentRecord() {
    m_properties->Refresh(false);
    // Once the picture is on screen, its neighbours in the list are decoded ahead.
    QTimer::singleShot(0, this, [this] { m_doc.ReadAheadNeighbours(); });
}
void CPicdexView::BlankProperties() {
    m_properties->Refresh(true);
}
CPropertiesWindow* CPicdexView::PropertiesWindow() const {
    return m_properties->Window();
}
bool CPicdexView::HasPendingPropertyEdits() const {
    return m_properties->HasPendingEdits();
}

bool CPicdexView::CommitBeforeClose() {
    return m_properties->Commit() ||
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
    m_properties->Refresh(false);
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

void CPicdexView::ShowMarkBar() {
    m_commands->Marks().ShowMarkBar();
}
void CPicdexView::HideMarkBar() {
    m_commands->Marks().HideMarkBar();
}
CMarkBar* CPicdexView::MarkBar() const {
    return m_commands->Marks().MarkBar();
}
void CPicdexView::ShowMarkedThumbnails() {
    m_commands->Thumbnails(true);
}
CSlideShow* CPicdexView::SlideShow() const {
    return m_commands->SlideShow();
}
CSearchWindow* CPicdexView::SearchWindow() const {
    return m_commands->Collection().SearchWindow();
}
bool CPicdexView::IsSearchWindowVisible() const {
    return m_commands->Collection().IsSearchWindowVisible();
}
void CPicdexView::AddDroppedFiles(const QStringList& localPaths) {
    m_dragAndDrop->AddDroppedFiles(localPaths);
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
    if (!OpenForDocument(m_doc.Database(), path, dialog)) {
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
    m_properties->Refresh(false);
    m_frame.UpdateTitle();
}

// --- input ---

CPoint CPicdexView::ToLogical(const QPoint& viewportPos) const {
    return DeviceToLogical(CPoint(viewportPos.x(), viewportPos.y()));
}

void CPicdexView::EndPanAt(const QPoint& viewportPos) {
    EndPan(ToLogical(viewportPos));
    viewport()->setMouseTracking(false);
}

void CPicdexView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (event->modifiers() & Qt::ControlModifier) {
            m_dragAndDrop->DragPictureOut();
        } else {
            // A negative scroll position means the picture is centred in that axis.
            const CPoint scroll = GetDeviceScrollPosition();
            if (scroll.x >= 0 || scroll.y >= 0) {
                SetPanMode(1);
                StartPan(ToLogical(event->position().toPoint()), panCursorId);
                // Moves with no button down reach the viewport only while it tracks the
                // mouse: they are how a pan whose release went elsewhere ends.
                viewport()->setMouseTracking(true);
            }
        }
    }
    PxPanView::mousePressEvent(event);
    // The left button belongs to the view whether or not a pan started.
    if (event->button() == Qt::LeftButton)
        event->accept();
}

void CPicdexView::mouseMoveEvent(QMouseEvent* event) {
    const bool panning = IsPanning();
    // A release swallowed elsewhere (a message box, another window taking the mouse) must
    // not leave the view panning with the button up.
    if (panning && !(event->buttons() & Qt::LeftButton))
        EndPanAt(event->position().toPoint());
    else if (panning)
        ContinuePan(ToLogical(event->position().toPoint()));
    PxPanView::mouseMoveEvent(event);
    if (panning)
        event->accept();
}

void CPicdexView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsPanning())
        EndPanAt(event->position().toPoint());
    PxPanView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        event->accept();
}

void CPicdexView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_commands->ToggleMark();
    PxPanView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        event->accept();
}

void CPicdexView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
        m_commands->ShowPopupMenu(viewport()->mapToGlobal(keyboardMenuOffset));
        event->accept();
        return;
    }
    PxPanView::keyPressEvent(event);
}

void CPicdexView::contextMenuEvent(QContextMenuEvent* event) {
    // The context-menu key opens the menu where Shift+F10 does, the right button at the
    // pointer.
    m_commands->ShowPopupMenu(event->reason() == QContextMenuEvent::Keyboard
                                  ? viewport()->mapToGlobal(keyboardMenuOffset)
                                  : event->globalPos());
    event->accept();
}

void CPicdexView::focusInEvent(QFocusEvent* event) {
    PxPanView::focusInEvent(event);
    viewport()->update();
    // The focus comes back here after the failure's own message: the same edits are not
    // tried (and refused) again until they change.
    m_properties->CommitUnlessFailedBefore();
}

void CPicdexView::dragEnterEvent(QDragEnterEvent* event) {
    m_dragAndDrop->DragEnter(*event);
}

void CPicdexView::dragMoveEvent(QDragMoveEvent* event) {
    m_dragAndDrop->DragMove(*event);
}

void CPicdexView::dropEvent(QDropEvent* event) {
    m_dragAndDrop->Drop(*event);
}
