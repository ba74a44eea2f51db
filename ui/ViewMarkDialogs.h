// CViewMarkDialogs: the dialogs the marked-data commands ask for, as the picture view
// offers them: the keyword dialog is not offered yet (it answers Cancel), the database to
// copy marked records into is chosen with the program's open dialog.
#pragma once

#include "collection/MarkCommands.h"

#include <QPointer>
#include <QWidget>

class CViewMarkDialogs : public IMarkDialogs {
public:
    explicit CViewMarkDialogs(QWidget* parent) : m_parent(parent) {}

    // False: the command is not offered.
    bool AskKeywordOnMarked(std::string& keyword, KeywordAction& action) override;
    bool AskOpenPath(const CSaveFileRequest& request, std::string& path) override;

private:
    QPointer<QWidget> m_parent;
};
