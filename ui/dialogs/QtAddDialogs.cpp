#include "ui/dialogs/QtAddDialogs.h"

#include "ui/dialogs/DuplicateDialog.h"
#include "ui/dialogs/SaveDialog.h"

CQtAddDialogs::CQtAddDialogs(CPictureDatabase& db, QWidget* parent) : m_db(db), m_parent(parent) {}

bool CQtAddDialogs::BrowseFiles(std::vector<CAddFileChoice>&) {
    return false;
}

SaveChoice CQtAddDialogs::AskSave(const std::string&, bool saveAllEnabled,
                                  CPictureDatabase::Keywords& keywords) {
    CSaveDialog dialog(m_db, saveAllEnabled, m_parent.data());
    dialog.exec();
    const SaveChoice choice = dialog.Choice();
    if (choice == SaveChoice::save || choice == SaveChoice::saveAll)
        keywords = dialog.Keywords();
    return choice;
}

DuplicateChoice CQtAddDialogs::AskDuplicate(PxImage& picture, const std::string&) {
    CDuplicateDialog dialog(picture, m_parent.data());
    dialog.exec();
    return dialog.Choice();
}
