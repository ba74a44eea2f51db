// CQtAddDialogs: the windows the Add command meets, as the windowed program shows them:
// the "Save" dialog and the duplicate dialog, modal to the parent. The add-files browser is
// not offered from here (BrowseFiles gives false).
#pragma once

#include "collection/AddDialogs.h"

#include <QPointer>
#include <QWidget>

class CQtAddDialogs : public IAddDialogs {
public:
    CQtAddDialogs(CPictureDatabase& db, QWidget* parent);

    bool BrowseFiles(std::vector<CAddFileChoice>& files) override;
    SaveChoice AskSave(const std::string& path, bool saveAllEnabled,
                       CPictureDatabase::Keywords& keywords) override;
    DuplicateChoice AskDuplicate(PxImage& picture, const std::string& path) override;

private:
    CPictureDatabase& m_db;
    QPointer<QWidget> m_parent;
};
