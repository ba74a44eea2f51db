// CDuplicateDialog: the "Save?" dialog of the Add command for a file whose data is already
// stored. It shows the question, the buttons "&Save", "&Do not save" and "Do not save &ANY
// duplicated data", and below them the new file's picture at its own size, its top-left
// corner 80 pixels below the client area's. The dialog can be resized; a large picture
// scrolls, and the dialog never opens taller or wider than the screen.
#pragma once

#include "collection/AddDialogs.h"

#include <QDialog>
#include <QImage>

class PxImage;

class CDuplicateDialog : public QDialog {
    Q_OBJECT

public:
    // Offset of the picture below the client area's top.
    static constexpr int pictureTop = 80;

    // Renders picture at once; the dialog keeps no reference to it.
    CDuplicateDialog(PxImage& picture, QWidget* parent);

    // The button that closed the dialog; closing the window counts as "&Do not save".
    DuplicateChoice Choice() const { return m_choice; }
    // The picture as rendered for display (null when it could not be drawn).
    const QImage& RenderedPicture() const { return m_image; }

private:
    void Finish(DuplicateChoice choice);

    QImage m_image;
    DuplicateChoice m_choice = DuplicateChoice::doNotSave;
};

// Draws picture at its own size through the software drawing device; a null image when it
// has no picture or is too large for a surface.
QImage RenderPicture(PxImage& picture);
