#include "ui/dialogs/OutputDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

COutputDialog::COutputDialog(QWidget* parent, CFolderField::FolderPicker picker) : QDialog(parent) {
    setObjectName(QStringLiteral("outputDialog"));
    setWindowTitle(QStringLiteral("Output all the data"));
    auto* label = new QLabel(QStringLiteral("&Output folder"), this);
    m_field = new CFolderField(QStringLiteral("Output folder"), this, std::move(picker));
    m_field->Edit()->setAccessibleName(QStringLiteral("Output folder"));
    m_field->Edit()->setMinimumWidth(280);
    label->setBuddy(m_field->Edit());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
}

bool COutputDialog::AskOutputFolder(std::string& folder) {
    m_field->SetText(QString::fromStdString(folder));
    m_field->Edit()->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    folder = m_field->Text().toStdString();
    return true;
}
