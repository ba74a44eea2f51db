#include "ui/dialogs/PasswordDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CQtPasswordDialog::CQtPasswordDialog(QWidget* parent) : m_parent(parent) {}

bool CQtPasswordDialog::AskPassword(std::string& entered) {
    QDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("passwordDialog"));
    dialog.setWindowTitle(QStringLiteral("Password"));

    auto* label = new QLabel(QStringLiteral("Pasword :"), &dialog);
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("password"));
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(int(PasswordRules::maxLength));
    label->setBuddy(field);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(field);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);

    field->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    entered = field->text().toStdString();
    return true;
}
