#include "ui/ViewDragAndDrop.h"

#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "platform/Path.h"
#include "storage/PictureExport.h"
#include "ui/DragFolder.h"
#include "ui/PicdexView.h"
#include "ui/ViewCommands.h"

#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

CViewDragAndDrop::CViewDragAndDrop(CPicdexView& view, CViewCommands& commands)
    : m_view(view), m_commands(commands) {}

bool CViewDragAndDrop::Writable() const {
    return m_view.GetCommandState().writable;
}

void CViewDragAndDrop::DragEnter(QDragEnterEvent& event) {
    if (event.mimeData()->hasUrls() && Writable())
        event.acceptProposedAction();
}

void CViewDragAndDrop::DragMove(QDragMoveEvent& event) {
    if (event.mimeData()->hasUrls() && Writable())
        event.acceptProposedAction();
}

void CViewDragAndDrop::Drop(QDropEvent& event) {
    if (!event.mimeData()->hasUrls())
        return;
    QStringList paths;
    for (const QUrl& url : event.mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    event.acceptProposedAction();
    // The drop is over once the event returns; the saves, with their dialogs, run after it
    // so that the program the files came from is not held up meanwhile.
    QTimer::singleShot(0, &m_view, [this, paths] { AddDroppedFiles(paths); });
}

void CViewDragAndDrop::AddDroppedFiles(const QStringList& localPaths) {
    m_view.activateWindow();
    IAddDialogs* dialogs = m_commands.AddDialogs();
    if (!dialogs || !Writable())
        return;
    const int fileCount = static_cast<int>(localPaths.size());
    CAddPictures add(m_view.Document(), *dialogs, m_view, m_commands.IgnoreDuplicates());
    bool saveAll = false;
    bool minimized = false;
    bool cancel = false;
    CAddPictures::Keywords keywords;
    for (const QString& localPath : localPaths) {
        const std::string path = localPath.toStdString();
        if (CPicdexDoc::PictureKindOf(path) == 0)
            continue;
        m_view.BlankProperties();
        if (!add.HasRoomFor(path))
            break;
        add.AddFile(path, fileCount, saveAll, minimized, keywords, cancel);
        if (cancel)
            break;
        // Each stored picture is seen while the rest are being added.
        m_view.RealizePicturePalette(true);
        m_view.viewport()->repaint();
    }
    m_view.RealizeAndInvalidate();
    if (minimized && m_view.IsMainWindowMinimized())
        m_view.RestoreMainWindow();
    m_commands.Move(CommandId::bottom);
}

void CViewDragAndDrop::DragPictureOut() {
    // The view must not take its own picture back.
    m_view.setAcceptDrops(false);
    m_view.viewport()->setAcceptDrops(false);
    const std::string folder = DragFolderPath();
    CPictureDatabase& database = m_view.Document().Database();
    std::string name;
    std::string mainPath;
    database.GetMainPathAndCurrentName(mainPath, name);
    if (!name.empty() && QDir().mkpath(QString::fromStdString(folder)) &&
        WriteCurrentPictureInto(database, folder, false)) {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(folder + GetFileName(name)))});
        auto* drag = new QDrag(&m_view);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    }
    m_view.setAcceptDrops(true);
    m_view.viewport()->setAcceptDrops(true);
}
