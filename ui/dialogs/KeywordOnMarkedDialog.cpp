#include "ui/dialogs/KeywordOnMarkedDialog.h"

#include "storage/RecordHead.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CKeywordOnMarkedDialog::CKeywordOnMarkedDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("keywordOnMarkedDialog"));
    setWindowTitle(QStringLiteral("Add/Delete keyword on marked data"));
    m_keyword = new QLineEdit(this);
    m_keyword->setObjectName(QStringLiteral("keyword"));
    m_keyword->setAccessibleName(QStringLiteral("Keyword"));
    // Characters, not bytes: the command cuts a longer UTF-8 text at the field's byte limit.
    m_keyword->setMaxLength(MainFormat::keywordField - 1);
    auto* label = new QLabel(QStringLiteral("&Keyword"), this);
    label->setBuddy(m_keyword);
    m_add = new QRadioButton(QStringLiteral("&Add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setAccessibleName(QStringLiteral("Add"));
    m_add->setChecked(true);
    auto* remove = new QRadioButton(QStringLiteral("&Delete"), this);
    remove->setObjectName(QStringLiteral("delete"));
    remove->setAccessibleName(QStringLiteral("Delete"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(m_keyword, 1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_add);
    actions->addWidget(remove);
    actions->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(field);
    layout->addLayout(actions);
    layout->addWidget(buttons);
}

std::string CKeywordOnMarkedDialog::Keyword() const {
    return m_keyword->text().toStdString();
}

KeywordAction CKeywordOnMarkedDialog::Action() const {
    return m_add->isChecked() ? KeywordAction::add : KeywordAction::remove;
}
