#include "ui/dialogs/SearchWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <string>
#include <vector>

CSearchWindow::CSearchWindow(CPictureDatabase& db, QWidget* parent) : QDialog(parent), m_db(db) {
    setObjectName(QStringLiteral("searchWindow"));
    setWindowTitle(QStringLiteral("Search"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("&Keyword"), this);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("keyword"));
    m_text->setMaxLength(searchTextMaxLength);
    label->setBuddy(m_text);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("keywordList"));
    m_list->setAccessibleName(QStringLiteral("Keywords"));
    m_list->setSortingEnabled(true);
    m_byFileName = new QCheckBox(QStringLiteral("Search by &file name"), this);
    m_byFileName->setObjectName(QStringLiteral("byFileName"));

    auto* search = new QPushButton(QStringLiteral("&Search"), this);
    search->setObjectName(QStringLiteral("search"));
    search->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    auto* update = new QPushButton(QStringLiteral("&Update"), this);
    update->setObjectName(QStringLiteral("update"));
    update->setAutoDefault(false);
    // Hidden as it always was; its key still opens the list of keywords.
    auto* keywordList = new QPushButton(QStringLiteral("キーワード一覧(&L)"), this);
    keywordList->setObjectName(QStringLiteral("keywordListButton"));
    keywordList->setAutoDefault(false);
    keywordList->hide();
    auto* listKey = new QShortcut(QKeySequence(QStringLiteral("Alt+L")), this);

    connect(search, &QPushButton::clicked, this, &CSearchWindow::searchRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(update, &QPushButton::clicked, this, &CSearchWindow::FillKeywords);
    connect(keywordList, &QPushButton::clicked, this, &CSearchWindow::keywordListRequested);
    connect(listKey, &QShortcut::activated, this, &CSearchWindow::keywordListRequested);
    connect(m_list, &QListWidget::itemClicked, this, &CSearchWindow::OnLineChosen);
    connect(m_list, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { OnLineChosen(item); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        OnLineChosen(item);
        emit searchRequested();
    });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(search);
    buttons->addWidget(close);
    buttons->addWidget(update);
    buttons->addWidget(keywordList);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 1, 0);
    layout->addWidget(m_list, 2, 0);
    layout->addWidget(m_byFileName, 3, 0);
    layout->addLayout(buttons, 0, 1, 4, 1);

    FillKeywords();
}

void CSearchWindow::FillKeywords() {
    std::vector<std::string> lines;
    FillKeywordListRising(m_db, lines, keywordListCapacity, searchWindowThresholdLimit);
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const std::string& line : lines)
        m_list->addItem(QString::fromStdString(line));
}

std::string CSearchWindow::GetSearchText() {
    return m_text->text().toStdString();
}

void CSearchWindow::SetSearchText(const std::string& text) {
    m_text->setText(QString::fromStdString(text));
}

bool CSearchWindow::IsFileNameSearch() {
    return m_byFileName->isChecked();
}

void CSearchWindow::OnLineChosen(QListWidgetItem* item) {
    if (item)
        m_text->setText(QString::fromStdString(KeywordOfLine(item->text().toStdString())));
}

void CSearchWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit visibilityChanged(true);
}

void CSearchWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    emit visibilityChanged(false);
}
