#include "ui/ViewMarkDialogs.h"

#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/KeywordOnMarkedDialog.h"

bool CViewMarkDialogs::AskKeywordOnMarked(std::string& keyword, KeywordAction& action) {
    CKeywordOnMarkedDialog dialog(m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    keyword = dialog.Keyword();
    action = dialog.Action();
    return true;
}

bool CViewMarkDialogs::AskOpenPath(const CSaveFileRequest& request, std::string& path) {
    CQtFileDialogs dialogs(m_parent);
    return dialogs.AskOpenPath(request, path);
}
