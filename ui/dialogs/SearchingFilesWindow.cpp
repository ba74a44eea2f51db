#include "ui/dialogs/SearchingFilesWindow.h"

#include <QHBoxLayout>
#include <QLabel>

CSearchingFilesWindow::CSearchingFilesWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("searchingFiles"));
    setWindowTitle(QStringLiteral("Searching files"));
    auto* label = new QLabel(QStringLiteral("Files searched"), this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setAccessibleName(QStringLiteral("Files searched"));
    m_count->setAlignment(Qt::AlignCenter);
    m_count->setMinimumWidth(160);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_count, 1);
}

void CSearchingFilesWindow::ShowCount(const QString& text) {
    m_count->setText(text);
    m_count->repaint();
}
