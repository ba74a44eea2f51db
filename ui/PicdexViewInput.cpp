// The picture view's input: panning and marking with the mouse, the pop-up menu, files
// dropped onto the view and the picture dragged out of it as a file.
#include "ui/PicdexView.h"

#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "platform/Path.h"
#include "storage/PictureExport.h"
#include "ui/DragFolder.h"
#include "ui/commands/CommandRouter.h"
#include "ui/commands/CommandTable.h"
#include "ui/dialogs/PropertiesWindow.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {
constexpr unsigned panCursorId = 130;
const QPoint keyboardMenuOffset(5, 5);
} // namespace

CPoint CPicdexView::ToLogical(const QPoint& viewportPos) const {
    return DeviceToLogical(CPoint(viewportPos.x(), viewportPos.y()));
}

void CPicdexView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (event->modifiers() & Qt::ControlModifier) {
            DragPictureOut();
        } else {
            // A negative scroll position means the picture is centred in that axis.
            const CPoint scroll = GetDeviceScrollPosition();
            if (scroll.x >= 0 || scroll.y >= 0) {
                SetPanMode(1);
                StartPan(ToLogical(event->position().toPoint()), panCursorId);
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
        EndPan(ToLogical(event->position().toPoint()));
    else if (panning)
        ContinuePan(ToLogical(event->position().toPoint()));
    PxPanView::mouseMoveEvent(event);
    if (panning)
        event->accept();
}

void CPicdexView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsPanning())
        EndPan(ToLogical(event->position().toPoint()));
    PxPanView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        event->accept();
}

void CPicdexView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ToggleMarkCommand();
    PxPanView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        event->accept();
}

void CPicdexView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
        ShowPopupMenu(viewport()->mapToGlobal(keyboardMenuOffset));
        event->accept();
        return;
    }
    PxPanView::keyPressEvent(event);
}

void CPicdexView::contextMenuEvent(QContextMenuEvent* event) {
    // The context-menu key opens the menu where Shift+F10 does, the right button at the
    // pointer.
    ShowPopupMenu(event->reason() == QContextMenuEvent::Keyboard
                      ? viewport()->mapToGlobal(keyboardMenuOffset)
                      : event->globalPos());
    event->accept();
}

void CPicdexView::focusInEvent(QFocusEvent* event) {
    PxPanView::focusInEvent(event);
    viewport()->update();
    // The focus comes back here after the failure's own message: the same edits are not
    // tried (and refused) again until they change.
    if (m_properties && m_failedEdits && *m_failedEdits == m_properties->Keywords())
        return;
    CommitPropertyEdits();
}

void CPicdexView::ShowPopupMenu(const QPoint& globalPos) {
    if (!m_router)
        return;
    const CCommandState state = m_router->State();
    auto* menu = new QMenu(this);
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
    connect(menu, &QMenu::triggered, this, [this](QAction* action) {
        if (m_router)
            m_router->Run(action->data().toInt());
    });
    // The command may open a dialog while the menu is still unwinding: delete it later.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(globalPos);
}

// --- dropped files ---

void CPicdexView::dragEnterEvent(QDragEnterEvent* event) {
    // Only a database that can be written takes pictures.
    if (event->mimeData()->hasUrls() && GetCommandState().writable)
        event->acceptProposedAction();
}

void CPicdexView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && GetCommandState().writable)
        event->acceptProposedAction();
}

void CPicdexView::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    event->acceptProposedAction();
    // The drop is over once the event returns; the saves, with their dialogs, run after it
    // so that the program the files came from is not held up meanwhile.
    QTimer::singleShot(0, this, [this, paths] { AddDroppedFiles(paths); });
}

void CPicdexView::AddDroppedFiles(const QStringList& localPaths) {
    activateWindow();
    if (!m_addDialogs || !GetCommandState().writable)
        return;
    const int fileCount = static_cast<int>(localPaths.size());
    CAddPictures add(m_doc, *m_addDialogs, *this, m_ignoreDuplicates);
    bool saveAll = false;
    bool minimized = false;
    bool cancel = false;
    CAddPictures::Keywords keywords;
    for (const QString& localPath : localPaths) {
        const std::string path = localPath.toStdString();
        if (CPicdexDoc::PictureKindOf(path) == 0)
            continue;
        RefreshPropertiesWindow(true);
        if (!add.HasRoomFor(path))
            break;
        add.AddFile(path, fileCount, saveAll, minimized, keywords, cancel);
        if (cancel)
            break;
        // Each stored picture is seen while the rest are being added.
        RealizePicturePalette(true);
        viewport()->repaint();
    }
    RealizeAndInvalidate();
    if (minimized && m_frame.IsFrameMinimized())
        m_frame.RestoreFrame();
    MoveCommand(CommandId::bottom);
}

// --- dragging the picture out ---

void CPicdexView::DragPictureOut() {
    // The view must not take its own picture back.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    const std::string folder = DragFolderPath();
    CPictureDatabase& database = m_doc.Database();
    std::string name;
    std::string mainPath;
    database.GetMainPathAndCurrentName(mainPath, name);
    if (!name.empty() && QDir().mkpath(QString::fromStdString(folder)) &&
        WriteCurrentPictureInto(database, folder, false)) {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(folder + GetFileName(name)))});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    }
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}
