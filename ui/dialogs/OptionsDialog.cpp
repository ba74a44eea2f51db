#include "ui/dialogs/OptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* section = "Options";

bool ReadFlag(ISettings& settings, const char* key, int defaultValue) {
    return GetProfileInt(settings, section, key, defaultValue) != 0;
}
} // namespace

COptionsDialog::COptionsDialog(ISettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_force256(GetForce256(settings)),
      m_ignoreDuplicates(ReadFlag(settings, "IgnoreDuply", 0)),
      m_openPic(ReadFlag(settings, "OpenPic", 1)) {
    setObjectName(QStringLiteral("optionsDialog"));
    setWindowTitle(QStringLiteral("Options"));

    m_force256Box = new QCheckBox(QStringLiteral("&Use 256 color"), this);
    m_force256Box->setObjectName(QStringLiteral("force256"));
    m_force256Box->setChecked(m_force256);
    m_ignoreDuplicatesBox = new QCheckBox(QStringLiteral("&Do not save duplicate data"), this);
    m_ignoreDuplicatesBox->setObjectName(QStringLiteral("ignoreDuply"));
    m_ignoreDuplicatesBox->setChecked(m_ignoreDuplicates);
    m_openPicBox = new QCheckBox(QStringLiteral("Do not display &opening Window"), this);
    m_openPicBox->setObjectName(QStringLiteral("openPic"));
    m_openPicBox->setChecked(m_openPic);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_force256Box);
    layout->addWidget(m_ignoreDuplicatesBox);
    layout->addWidget(m_openPicBox);
    layout->addWidget(buttons);
}

void COptionsDialog::accept() {
    m_force256 = m_force256Box->isChecked();
    m_ignoreDuplicates = m_ignoreDuplicatesBox->isChecked();
    m_openPic = m_openPicBox->isChecked();
    m_settings.WriteProfileString(section, "Force256", m_force256 ? "1" : "0");
    m_settings.WriteProfileString(section, "IgnoreDuply", m_ignoreDuplicates ? "1" : "0");
    m_settings.WriteProfileString(section, "OpenPic", m_openPic ? "1" : "0");
    QDialog::accept();
}
