#include "ui/dialogs/SortDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CSortDialog::CSortDialog(QWidget* parent) : m_parent(parent) {}

bool CSortDialog::AskSortType(int& sortType) {
    QDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("sortDialog"));
    // Named after its one group, so that the window has a title to be found by.
    dialog.setWindowTitle(QStringLiteral("Sort"));

    auto* group = new QGroupBox(QStringLiteral("Sort"), &dialog);
    auto* byName = new QRadioButton(QStringLiteral("&Alphabetic by fle name"), group);
    byName->setObjectName(QStringLiteral("byName"));
    auto* byDate = new QRadioButton(QStringLiteral("By &date saved"), group);
    byDate->setObjectName(QStringLiteral("byDate"));
    (sortType == 1 ? byDate : byName)->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(byName);
    groupLayout->addWidget(byDate);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(group);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    sortType = byDate->isChecked() ? 1 : 0;
    return true;
}
