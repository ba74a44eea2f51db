#include "ui/dialogs/SaveDialog.h"

#include "collection/Search.h"
#include "platform/Text.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The field's text as stored: UTF-8 cut at a character boundary.
std::string FieldBytes(const QLineEdit* field) {
    const std::string text = field->text().toStdString();
    return std::string(CutUtf8(text, CSaveDialog::keywordMaxBytes));
}
} // namespace

CSaveDialog::CSaveDialog(CPictureDatabase& db, bool saveAllEnabled, QWidget* parent)
    : QDialog(parent), m_db(db) {
    setObjectName(QStringLiteral("saveDialog"));
    setWindowTitle(QStringLiteral("Save"));

    auto* fields = new QVBoxLayout;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("keyword%1").arg(i + 1));
        // QLineEdit counts UTF-16 units; the byte limit is kept in OnFieldEdited.
        field->setMaxLength(int(keywordMaxBytes));
        connect(field, &QLineEdit::textEdited, this, [this, field] { OnFieldEdited(field); });
        fields->addWidget(field);
        m_fields[i] = field;
    }
    fields->addStretch();

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("keywordList"));
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CSaveDialog::OnSelectionChanged);

    m_saveAll = new QPushButton(QStringLiteral("Save &all"), this);
    m_saveAll->setObjectName(QStringLiteral("saveAll"));
    m_saveAll->setEnabled(saveAllEnabled);
    auto* save = new QPushButton(QStringLiteral("&Save"), this);
    save->setObjectName(QStringLiteral("save"));
    save->setDefault(true);
    auto* doNotSave = new QPushButton(QStringLiteral("&Do not save"), this);
    doNotSave->setObjectName(QStringLiteral("doNotSave"));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_saveAll, &QPushButton::clicked, this, [this] { Finish(SaveChoice::saveAll); });
    connect(save, &QPushButton::clicked, this, [this] { Finish(SaveChoice::save); });
    connect(doNotSave, &QPushButton::clicked, this, [this] { Finish(SaveChoice::doNotSave); });
    connect(cancel, &QPushButton::clicked, this, [this] { Finish(SaveChoice::cancel); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_saveAll);
    buttons->addWidget(save);
    buttons->addWidget(doNotSave);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    RebuildKeywordList();
}

CPictureDatabase::Keywords CSaveDialog::Keywords() const {
    CPictureDatabase::Keywords keywords;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        keywords[i] = FieldBytes(m_fields[i]);
    return keywords;
}

void CSaveDialog::RebuildKeywordList() {
    std::vector<std::string> lines;
    FillKeywordListRising(m_db, lines, keywordListCapacity, searchWindowThresholdLimit);
    m_updating = true;
    m_list->clear();
    for (const std::string& line : lines)
        m_list->addItem(FromUtf8(line));
    m_updating = false;
    ReselectLines();
}

void CSaveDialog::showEvent(QShowEvent* event) {
    // Placed once, at the first showing, so the user can move it afterwards.
    if (!m_placed) {
        m_placed = true;
        QScreen* shown = screen();
        move(shown ? shown->geometry().topLeft() : QPoint(0, 0));
    }
    QDialog::showEvent(event);
}

QString CSaveDialog::KeywordOfItem(int row) const {
    return FromUtf8(KeywordOfLine(m_list->item(row)->text().toStdString()));
}

void CSaveDialog::OnSelectionChanged() {
    if (m_updating)
        return;
    const int count = m_list->count();
    m_selected.resize(std::size_t(count), false);
    for (int row = 0; row < count; ++row) {
        const bool selected = m_list->item(row)->isSelected();
        if (selected == m_selected[std::size_t(row)])
            continue;
        m_selected[std::size_t(row)] = selected;
        const QString keyword = KeywordOfItem(row);
        if (selected) {
            QLineEdit* empty = nullptr;
            bool present = false;
            for (QLineEdit* field : m_fields) {
                present = present || field->text() == keyword;
                if (!empty && field->text().isEmpty())
                    empty = field;
            }
            if (present)
                continue;
            if (empty) {
                empty->setText(keyword);
                OnFieldEdited(empty);
                continue;
            }
            // Every field is taken: the line does not stay selected.
            m_updating = true;
            m_list->item(row)->setSelected(false);
            m_updating = false;
            m_selected[std::size_t(row)] = false;
        } else {
            for (QLineEdit* field : m_fields) {
                if (field->text() == keyword) {
                    field->clear();
                    break;
                }
            }
        }
    }
}

void CSaveDialog::OnFieldEdited(QLineEdit* field) {
    const std::string text = field->text().toStdString();
    if (text.size() <= keywordMaxBytes)
        return;
    const int cursor = field->cursorPosition();
    field->setText(FromUtf8(CutUtf8(text, keywordMaxBytes)));
    field->setCursorPosition(std::min(cursor, int(field->text().size())));
}

void CSaveDialog::ReselectLines() {
    m_updating = true;
    m_list->clearSelection();
    for (QLineEdit* field : m_fields) {
        if (field->text().isEmpty())
            continue;
        const QString prefix = field->text() + QStringLiteral(" [");
        for (int row = 0; row < m_list->count(); ++row) {
            if (m_list->item(row)->text().startsWith(prefix)) {
                m_list->item(row)->setSelected(true);
                break;
            }
        }
    }
    m_updating = false;
    m_selected.assign(std::size_t(m_list->count()), false);
    for (int row = 0; row < m_list->count(); ++row)
        m_selected[std::size_t(row)] = m_list->item(row)->isSelected();
}

void CSaveDialog::Finish(SaveChoice choice) {
    m_choice = choice;
    if (choice == SaveChoice::save || choice == SaveChoice::saveAll)
        accept();
    else
        reject();
}
