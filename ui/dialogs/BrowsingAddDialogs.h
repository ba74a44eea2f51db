// CBrowsingAddDialogs: the windows of one Add command from the menu: the add-files browser
// for the choice of files, and for everything asked afterwards the dialogs given (the
// "Save" dialog, the duplicate dialog, the question of "Save &all").
#pragma once

#include "collection/AddDialogs.h"
#include "collection/Settings.h"

#include <QPointer>
#include <QWidget>

class CBrowsingAddDialogs : public IAddDialogs {
public:
    // ignoreDuplicates is the view's duplicates setting as the command starts.
    CBrowsingAddDialogs(IAddDialogs& dialogs, CPictureDatabase& db, ISettings& settings,
                        bool ignoreDuplicates, QWidget* parent);

    bool BrowseFiles(std::vector<CAddFileChoice>& files) override;
    SaveChoice AskSave(const std::string& path, bool saveAllEnabled,
                       CPictureDatabase::Keywords& keywords) override {
        return m_dialogs.AskSave(path, saveAllEnabled, keywords);
    }
    bool AskMinimizeWhileSaving() override { return m_dialogs.AskMinimizeWhileSaving(); }
    DuplicateChoice AskDuplicate(PxImage& picture, const std::string& path) override {
        return m_dialogs.AskDuplicate(picture, path);
    }

private:
    IAddDialogs& m_dialogs;
    CPictureDatabase& m_db;
    ISettings& m_settings;
    bool m_ignoreDuplicates;
    QPointer<QWidget> m_parent;
};
