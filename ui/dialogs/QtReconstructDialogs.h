// CQtReconstructDialogs: the windows of the Reconstruct command: the "Reconstruction"
// dialog, the "Reconstructing" progress dialogs and the file dialog that names the separate
// database of the Control variant. Each question builds a fresh modal dialog over the
// parent.
#pragma once

#include "collection/ReconstructCommand.h"

#include <QPointer>
#include <QWidget>

class CQtReconstructDialogs : public IReconstructDialogs {
public:
    explicit CQtReconstructDialogs(QWidget* parent);

    ReconstructChoice AskReconstruction() override;
    // Whether Control was held when the "Reconstruction" dialog was confirmed.
    bool IsControlKeyDown() override { return m_controlHeld; }
    int RunBuild(ReconstructChoice which, const Build& build) override;
    bool AskSavePath(const CSaveFileRequest& request, std::string& path) override;

private:
    QPointer<QWidget> m_parent;
    bool m_controlHeld = false;
};
