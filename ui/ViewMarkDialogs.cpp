#include "ui/ViewMarkDialogs.h"

#include "ui/dialogs/FileDialogs.h"

bool CViewMarkDialogs::AskKeywordOnMarked(std::string& /*keyword*/, KeywordAction& /*action*/) {
    return false;
}

bool CViewMarkDialogs::AskOpenPath(const CSaveFileRequest& request, std::string& path) {
    CQtFileDialogs dialogs(m_parent);
    return dialogs.AskOpenPath(request, path);
}
