// CDataExchangeDialog: the "Data Exchange" dialog: the open database's file name
// ("Source file name"), "&Direction" ("<-->", "->", "<-"), "Des&tination file" with
// "&Ref" to choose it in the open-file dialog (ChooseExchangeDestination), "Press F1 for
// help.", OK and Cancel. Each question builds the window afresh over the parent.
#pragma once

#include "collection/DataExchange.h"

#include <QPointer>
#include <QWidget>

class CDataExchangeDialog : public IDataExchangeDialog {
public:
    // settings and files must outlive the object.
    CDataExchangeDialog(ISettings& settings, IOpenFileDialog& files, QWidget* parent);

    // Opens with sourceName, direction (anything out of range shows "<-->") and
    // destination; on OK both hold what the user chose. False on Cancel.
    bool AskExchange(const std::string& sourceName, int& direction,
                     std::string& destination) override;

private:
    ISettings& m_settings;
    IOpenFileDialog& m_files;
    QPointer<QWidget> m_parent;
};
