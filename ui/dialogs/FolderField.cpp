#include "ui/dialogs/FolderField.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int folderMaxLength = 255;
}

CFolderField::CFolderField(const QString& pickerTitle, QWidget* parent, FolderPicker picker)
    : QWidget(parent), m_title(pickerTitle), m_picker(std::move(picker)) {
    if (!m_picker) {
        m_picker = [this](QWidget* owner, const QString& start) {
            return QFileDialog::getExistingDirectory(owner, m_title, start,
                                                     QFileDialog::ShowDirsOnly |
                                                         QFileDialog::DontUseNativeDialog);
        };
    }
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("folder"));
    m_edit->setAccessibleName(QStringLiteral("Folder"));
    m_edit->setMaxLength(folderMaxLength);
    m_button = new QPushButton(QStringLiteral("..."), this);
    m_button->setObjectName(QStringLiteral("browse"));
    m_button->setAccessibleName(pickerTitle);
    m_button->setToolTip(pickerTitle);
    m_button->setFixedWidth(25);
    m_button->setAutoDefault(false);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(m_edit, 1);
    row->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &CFolderField::Pick);
}

QString CFolderField::Text() const {
    return m_edit->text();
}

void CFolderField::SetText(const QString& text) {
    if (m_edit->text() != text)
        m_edit->setText(text);
}

void CFolderField::Pick() {
    QString start = m_edit->text();
    start = start.left(start.lastIndexOf(QLatin1Char('/')) + 1);
    const QString chosen = m_picker(window(), start.isEmpty() ? QDir::homePath() : start);
    if (chosen.isEmpty())
        return;
    SetText(WithFinalSlash(chosen));
    emit Picked(m_edit->text());
}

QString CFolderField::WithFinalSlash(QString text) {
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}
