// COutputDialog: the output dialog ("Output all the data") of both output commands: the
// "&Output folder" field with the shared "..." folder picker, OK and Cancel. As the
// commands' IOutputFolderDialog it is shown modally and gives the folder on OK.
#pragma once

#include "collection/PictureOutput.h"
#include "ui/dialogs/FolderField.h"

#include <QDialog>

class COutputDialog : public QDialog, public IOutputFolderDialog {
    Q_OBJECT

public:
    explicit COutputDialog(QWidget* parent, CFolderField::FolderPicker picker = {});

    // Shows the dialog with folder filled in; false unless OK. folder holds the text typed.
    bool AskOutputFolder(std::string& folder) override;
    CFolderField* FolderField() const { return m_field; }

private:
    CFolderField* m_field = nullptr;
};
