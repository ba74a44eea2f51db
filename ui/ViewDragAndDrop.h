// CViewDragAndDrop: files dropped onto the picture view, stored as the Add command stores
// them, and the shown picture dragged out of the view as a file. Only a database that can
// be written takes dropped files.
#pragma once

#include <QStringList>

class CPicdexView;
class CViewCommands;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

class CViewDragAndDrop {
public:
    // view and commands outlive this object.
    CViewDragAndDrop(CPicdexView& view, CViewCommands& commands);

    // The view's drag and drop events.
    void DragEnter(QDragEnterEvent& event);
    void DragMove(QDragMoveEvent& event);
    // Accepts the drop at once; the files are stored once the event has returned.
    void Drop(QDropEvent& event);

    // The files dropped onto the view, in order: each picture asked about and stored, then
    // the bottom of the list shown. Nothing while the database cannot be written or the
    // frame has given no add dialogs.
    void AddDroppedFiles(const QStringList& localPaths);
    // Writes the current picture into the drag folder and drags it out as a file URL; the
    // view takes no drops meanwhile.
    void DragPictureOut();

private:
    bool Writable() const;

    CPicdexView& m_view;
    CViewCommands& m_commands;
};
