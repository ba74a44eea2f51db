#include "ui/dialogs/FilePropertiesDialog.h"

#include "collection/FileProperties.h"
#include "ui/dialogs/WorkProgress.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CFilePropertiesDialog::CFilePropertiesDialog(CPictureDatabase& db, QWidget* parent)
    : QDialog(parent), m_db(db) {
    setObjectName(QStringLiteral("filePropertiesDialog"));
    setWindowTitle(QStringLiteral("File properties"));
    const char* labels[fieldCount] = {"TIFF", "GIF", "JPEG", "BMP", "Unknown", "Total"};
    auto* grid = new QGridLayout;
    for (int i = 0; i < fieldCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(labels[i]), this);
        auto* field = new QLabel(this);
        field->setObjectName(QString::fromLatin1(labels[i]).toLower());
        field->setAccessibleName(QString::fromLatin1(labels[i]));
        field->setMinimumWidth(90);
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        grid->addWidget(label, i, 0);
        grid->addWidget(field, i, 1);
        m_fields[std::size_t(i)] = field;
    }
    m_button = new QPushButton(QStringLiteral("Start"), this);
    m_button->setObjectName(QStringLiteral("start"));
    m_button->setDefault(true);
    connect(m_button, &QPushButton::clicked, this, &CFilePropertiesDialog::Press);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
}

void CFilePropertiesDialog::Press() {
    if (m_counted) {
        accept();
        return;
    }
    m_button->setEnabled(false);
    CTypeCounts counts;
    {
        CWaitCursor wait;
        CEventPump pump;
        // A damaged index has shown its message; the counts made so far are shown.
        CountByType(m_db, counts, [&pump] { pump.Pump(); });
    }
    const int values[fieldCount] = {counts.tiff, counts.gif,     counts.jpeg,
                                    counts.bmp,  counts.unknown, counts.total};
    for (int i = 0; i < fieldCount; ++i)
        m_fields[std::size_t(i)]->setText(QString::fromStdString(FormatPicCount(values[i])));
    m_counted = true;
    m_button->setText(QStringLiteral("Close"));
    m_button->setAccessibleName(QStringLiteral("Close"));
    m_button->setEnabled(true);
}
