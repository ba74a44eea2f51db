// CViewMarkDialogs: the dialogs the marked-data commands ask for, as the picture view
// offers them: "Add/Delete keyword on marked data", and the program's open dialog for the
// database to copy marked records into.
#pragma once

#include "collection/MarkCommands.h"

#include <QPointer>
#include <QWidget>

class CViewMarkDialogs : public IMarkDialogs {
public:
    explicit CViewMarkDialogs(QWidget* parent) : m_parent(parent) {}

    bool AskKeywordOnMarked(std::string& keyword, KeywordAction& action) override;
    bool AskOpenPath(const CSaveFileRequest& request, std::string& path) override;

private:
    QPointer<QWidget> m_parent;
};
