// COptionsDialog: the "Options" dialog with the three settings of section "Options":
// "Force256" ("&Use 256 color", read by GetForce256), "IgnoreDuply" ("&Do not save duplicate data",
// default off) and "OpenPic" ("Do not display &opening Window", default on). OK writes the
// three back as "0"/"1"; Cancel writes nothing.
#pragma once

#include "collection/Settings.h"

#include <QDialog>

class QCheckBox;

class COptionsDialog : public QDialog {
    Q_OBJECT

public:
    COptionsDialog(ISettings& settings, QWidget* parent);

    // The values confirmed with OK; before that, the values read from the settings.
    bool Force256() const { return m_force256; }
    bool IgnoreDuplicates() const { return m_ignoreDuplicates; }
    bool OpenPic() const { return m_openPic; }

    void accept() override;

private:
    ISettings& m_settings;
    QCheckBox* m_force256Box = nullptr;
    QCheckBox* m_ignoreDuplicatesBox = nullptr;
    QCheckBox* m_openPicBox = nullptr;
    bool m_force256 = false;
    bool m_ignoreDuplicates = false;
    bool m_openPic = true;
};
