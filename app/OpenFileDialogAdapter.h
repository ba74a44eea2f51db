// COpenFileDialogAdapter: the windowed program's file dialog as the open dialog the File >
// Open command asks for.
#pragma once

#include "collection/OpenCommand.h"
#include "ui/dialogs/FileDialogs.h"

class COpenFileDialogAdapter : public IOpenFileDialog {
public:
    explicit COpenFileDialogAdapter(CQtFileDialogs& dialogs) : m_dialogs(dialogs) {}
    bool AskOpenPath(const CSaveFileRequest& request, std::string& path) override {
        return m_dialogs.AskOpenPath(request, path);
    }

private:
    CQtFileDialogs& m_dialogs;
};
