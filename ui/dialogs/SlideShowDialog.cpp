#include "ui/dialogs/SlideShowDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

CSlideShowDialog::CSlideShowDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("slideShowDialog"));
    setWindowTitle(QStringLiteral("Slide show"));
    setProperty("helpTopic", QStringLiteral("slide-show"));

    m_edit = new QLineEdit(QString::number(m_interval), this);
    m_edit->setObjectName(QStringLiteral("interval"));
    m_edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
    m_edit->setAccessibleName(QStringLiteral("Time interval"));
    auto* label = new QLabel(QStringLiteral("&Time interval"), this);
    label->setBuddy(m_edit);
    m_wallpaper = new QCheckBox(QStringLiteral("&Wallpaper"), this);
    m_wallpaper->setObjectName(QStringLiteral("wallpaper"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_edit, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Sec"), this), 0, 2);
    layout->addWidget(m_wallpaper, 1, 0, 1, 3);
    layout->addWidget(buttons, 2, 0, 1, 3);
}

bool CSlideShowDialog::Wallpaper() const {
    return m_wallpaper->isChecked();
}

void CSlideShowDialog::accept() {
    bool whole = false;
    const int interval = m_edit->text().toInt(&whole);
    if (!whole) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Please enter an integer."));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_interval = interval;
    QDialog::accept();
}
