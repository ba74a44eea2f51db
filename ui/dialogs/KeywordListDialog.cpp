#include "ui/dialogs/KeywordListDialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

bool CKeywordListDialog::ChooseKeyword(const std::vector<std::string>& lines, int& selected) {
    QDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("keywordListDialog"));
    dialog.setWindowTitle(QStringLiteral("List of keywords"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("keywordList"));
    list->setAccessibleName(QStringLiteral("Keywords"));
    for (const std::string& line : lines)
        list->addItem(QString::fromStdString(line));
    if (selected >= 0 && selected < list->count())
        list->setCurrentRow(selected);
    auto* search = new QPushButton(QStringLiteral("&Search"), &dialog);
    search->setObjectName(QStringLiteral("search"));
    search->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("&Close"), &dialog);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    QObject::connect(search, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(search);
    buttons->addWidget(close);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(&dialog);
    layout->addWidget(list, 1);
    layout->addLayout(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    selected = chosen.isEmpty() ? -1 : list->row(chosen.first());
    return true;
}
