#include "ui/dialogs/PropertiesWindow.h"

#include "platform/Text.h"
#include "ui/commands/CommandIds.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <string>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A head's date field as shown: local time, or nothing for -1 (no date).
QString FormatDate(std::int32_t seconds) {
    if (seconds == -1)
        return {};
    const std::time_t time = seconds;
    std::tm local{};
    if (!localtime_r(&time, &local))
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%H:%M:%S %B %d,%Y", &local);
    return QString::fromLocal8Bit(text, qsizetype(length));
}

QLabel* ValueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}
} // namespace

CPropertiesWindow::CPropertiesWindow(CPictureDatabase& db, MoveRequest move,
                                     ModifiedChanged modifiedChanged, QWidget* parent)
    : QDialog(parent), m_db(db), m_move(std::move(move)),
      m_modifiedChanged(std::move(modifiedChanged)) {
    setObjectName(QStringLiteral("propertiesWindow"));
    setWindowTitle(QStringLiteral("Data properties"));
    setModal(false);

    auto* info = new QGroupBox(QStringLiteral("File information"), this);
    auto* infoForm = new QFormLayout(info);
    m_fileName = ValueLabel(QStringLiteral("File name"), info);
    m_dateCreated = ValueLabel(QStringLiteral("Date image created"), info);
    m_dateSaved = ValueLabel(QStringLiteral("Date file saved"), info);
    m_dataSize = ValueLabel(QStringLiteral("Data size"), info);
    m_fileName->setObjectName(QStringLiteral("fileName"));
    m_dateCreated->setObjectName(QStringLiteral("dateCreated"));
    m_dateSaved->setObjectName(QStringLiteral("dateSaved"));
    m_dataSize->setObjectName(QStringLiteral("dataSize"));
    infoForm->addRow(QStringLiteral("File name"), m_fileName);
    infoForm->addRow(QStringLiteral("Date image created"), m_dateCreated);
    infoForm->addRow(QStringLiteral("Date file saved"), m_dateSaved);
    infoForm->addRow(QStringLiteral("Data size"), m_dataSize);

    auto* keywords = new QGroupBox(QStringLiteral("&Keywords"), this);
    auto* keywordRows = new QVBoxLayout(keywords);
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* field = new QLineEdit(keywords);
        field->setObjectName(QStringLiteral("keyword%1").arg(i + 1));
        field->setAccessibleName(QStringLiteral("Keyword %1").arg(i + 1));
        // QLineEdit counts UTF-16 units; the byte limit is kept in OnFieldEdited.
        field->setMaxLength(int(keywordMaxBytes));
        connect(field, &QLineEdit::textEdited, this, [this, field] { OnFieldEdited(field); });
        keywordRows->addWidget(field);
        m_fields[i] = field;
    }

    auto* listLabel = new QLabel(QStringLiteral("Keyword &list"), this);
    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("keywordList"));
    list->setAccessibleName(QStringLiteral("Keyword list"));
    listLabel->setBuddy(list);
    m_picker =
        std::make_unique<CKeywordPicker>(list, m_fields, keywordMaxBytes, [this](QLineEdit* field) {
            field->setModified(true);
            if (m_modifiedChanged)
                m_modifiedChanged();
        });

    auto* previous = Button(QStringLiteral("&Prev"), "prev", this);
    auto* next = Button(QStringLiteral("&Next"), "next", this);
    auto* update = Button(QStringLiteral("&Update keyword list"), "updateList", this);
    auto* close = Button(QStringLiteral("&Close"), "close", this);
    connect(previous, &QPushButton::clicked, this,
            [this] { RequestMove(PrivateMessage::previousFromProperties); });
    connect(next, &QPushButton::clicked, this,
            [this] { RequestMove(PrivateMessage::nextFromProperties); });
    connect(update, &QPushButton::clicked, this, &CPropertiesWindow::RebuildKeywordList);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* left = new QVBoxLayout;
    left->addWidget(info);
    left->addWidget(keywords);
    auto* right = new QVBoxLayout;
    right->addWidget(listLabel);
    right->addWidget(list, 1);
    right->addWidget(update);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previous);
    buttons->addWidget(next);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    RebuildKeywordList();
}

CRecordHead CPropertiesWindow::BlankHead() {
    CRecordHead head;
    head.SetDateSaved(-1);
    head.SetDateImageCreated(-1);
    return head;
}

void CPropertiesWindow::Fill(const CRecordHead& head) {
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(FromUtf8(head.Keyword(int(i))));
    m_fileName->setText(FromUtf8(head.FileName()));
    m_dateSaved->setText(FormatDate(head.DateSaved()));
    m_dateCreated->setText(FormatDate(head.DateImageCreated()));
    m_dataSize->setText(QStringLiteral("%1 bytes").arg(head.DataSize()));
    SetModified(false);

    // The focus follows the record only while the user works in this window (or nowhere):
    // it is never taken from the picture view or another window.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || isAncestorOf(focus))
        FocusFirstEmptyField();
    m_picker->ReselectLines();
}

void CPropertiesWindow::FocusFirstEmptyField() {
    const auto empty = std::find_if(m_fields.begin(), m_fields.end(),
                                    [](QLineEdit* field) { return field->text().isEmpty(); });
    (empty == m_fields.end() ? m_fields.front() : *empty)->setFocus(Qt::OtherFocusReason);
}

bool CPropertiesWindow::IsModified() const {
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [](const QLineEdit* field) { return field->isModified(); });
}

CPictureDatabase::Keywords CPropertiesWindow::Keywords() const {
    CPictureDatabase::Keywords keywords;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        keywords[i] = std::string(CutUtf8(m_fields[i]->text().toStdString(), keywordMaxBytes));
    return keywords;
}

void CPropertiesWindow::GetKeywords(CRecordHead& head) const {
    const CPictureDatabase::Keywords keywords = Keywords();
    for (std::size_t i = 0; i < keywords.size(); ++i)
        head.SetKeyword(int(i), keywords[i]);
}

void CPropertiesWindow::SetModified(bool modified) {
    for (QLineEdit* field : m_fields)
        field->setModified(modified);
    if (m_modifiedChanged)
        m_modifiedChanged();
}

void CPropertiesWindow::SetReadOnly(bool readOnly) {
    m_picker->SetReadOnly(readOnly);
    for (QLineEdit* field : m_fields)
        field->setReadOnly(readOnly);
}

void CPropertiesWindow::RebuildKeywordList() {
    m_picker->Rebuild(m_db, keywordListCapacity);
}

void CPropertiesWindow::ReselectLines() {
    m_picker->ReselectLines();
}

void CPropertiesWindow::showEvent(QShowEvent* event) {
    if (!m_placed) {
        m_placed = true;
        PlaceBesideOwner();
    }
    QDialog::showEvent(event);
}

void CPropertiesWindow::PlaceBesideOwner() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* shown = owner ? owner->screen() : screen();
    if (!owner || !shown)
        return;
    const QRect room = shown->availableGeometry();
    const QRect frame = owner->frameGeometry();
    const QSize size = sizeHint();
    // Right of the main window where there is room, else left of it, else inside it at its
    // right edge.
    int x = frame.right() + 1;
    if (x + size.width() > room.right())
        x = frame.left() - size.width() - 1;
    if (x < room.left())
        x = std::max(room.left(), room.right() - size.width());
    const int y =
        std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() - size.height()));
    move(x, y);
}

void CPropertiesWindow::OnFieldEdited(QLineEdit* field) {
    if (CKeywordPicker::CutField(field, keywordMaxBytes))
        field->setModified(true);
    if (m_modifiedChanged)
        m_modifiedChanged();
}

void CPropertiesWindow::RequestMove(int message) {
    if (m_move)
        m_move(message);
    m_picker->ReselectLines();
}
