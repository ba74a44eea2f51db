#include "ui/dialogs/SetPasswordDialog.h"

#include "storage/Password.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLineEdit* MaskedField(const char* name, const QString& accessibleName, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setAccessibleName(accessibleName);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(int(PasswordRules::maxLength));
    return field;
}
} // namespace

CSetPasswordDialog::CSetPasswordDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("setPasswordDialog"));
    setWindowTitle(QStringLiteral("Password"));

    m_first = MaskedField("password", QStringLiteral("Password"), this);
    m_second = MaskedField("passwordAgain", QStringLiteral("Password(again)"), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Password"), m_first);
    form->addRow(QStringLiteral("Password(again)"), m_second);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    QPushButton* reset =
        buttons->addButton(QStringLiteral("&Reset password"), QDialogButtonBox::ResetRole);
    reset->setObjectName(QStringLiteral("reset"));
    reset->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetPasswordDialog::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, &CSetPasswordDialog::OnReset);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_first->setFocus();
}

void CSetPasswordDialog::OnOk() {
    const std::string first = m_first->text().toStdString();
    const std::string second = m_second->text().toStdString();
    if (CheckNewPassword(first, second) != NewPasswordCheck::accepted) {
        ClearFields();
        return;
    }
    m_password = first;
    accept();
}

void CSetPasswordDialog::OnReset() {
    if (!ConfirmPasswordReset())
        return;
    ClearFields();
    m_password.clear();
    accept();
}

void CSetPasswordDialog::ClearFields() {
    m_first->clear();
    m_second->clear();
    m_first->setFocus();
}
