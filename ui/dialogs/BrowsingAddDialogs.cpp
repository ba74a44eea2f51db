#include "ui/dialogs/BrowsingAddDialogs.h"

#include "ui/dialogs/AddFilesDialog.h"

CBrowsingAddDialogs::CBrowsingAddDialogs(IAddDialogs& dialogs, CPictureDatabase& db,
                                         ISettings& settings, bool ignoreDuplicates,
                                         QWidget* parent)
    : m_dialogs(dialogs), m_db(db), m_settings(settings), m_ignoreDuplicates(ignoreDuplicates),
      m_parent(parent) {}

bool CBrowsingAddDialogs::BrowseFiles(std::vector<CAddFileChoice>& files) {
    CAddFilesDialog dialog(m_db, m_settings, m_ignoreDuplicates, m_parent.data());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    files = dialog.Choices();
    return true;
}
