#include "ui/dialogs/QtReconstructDialogs.h"

#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/ReconstructProgressDialog.h"
#include "ui/dialogs/ReconstructionDialog.h"

CQtReconstructDialogs::CQtReconstructDialogs(QWidget* parent) : m_parent(parent) {}

ReconstructChoice CQtReconstructDialogs::AskReconstruction() {
    CReconstructionDialog dialog(m_parent.data());
    dialog.exec();
    m_controlHeld = dialog.ControlHeldAtOk();
    return dialog.Choice();
}

int CQtReconstructDialogs::RunBuild(ReconstructChoice which, const Build& build) {
    CReconstructProgressDialog dialog(which == ReconstructChoice::index, m_parent.data());
    return dialog.RunBuild(build);
}

bool CQtReconstructDialogs::AskSavePath(const CSaveFileRequest& request, std::string& path) {
    CQtFileDialogs dialogs(m_parent.data());
    return dialogs.AskSavePath(request, path);
}
