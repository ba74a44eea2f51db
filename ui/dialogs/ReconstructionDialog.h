// CReconstructionDialog: the "Reconstruction" dialog that confirms the Reconstruct command:
// "&Index file" (checked at first) or "&Main file", the warning, OK and Cancel. F1 in it
// opens the manual at the reconstruction topic.
#pragma once

#include "collection/ReconstructCommand.h"

#include <QDialog>

class QRadioButton;

class CReconstructionDialog : public QDialog {
    Q_OBJECT

public:
    explicit CReconstructionDialog(QWidget* parent);

    // The choice when the dialog was closed: cancel unless OK was pressed.
    ReconstructChoice Choice() const;
    // Whether the Control key was held when OK was pressed (by the mouse or the keyboard).
    bool ControlHeldAtOk() const { return m_controlHeld; }

private:
    QRadioButton* m_index;
    bool m_controlHeld = false;
};
