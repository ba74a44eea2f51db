#include "ui/dialogs/SaveDialog.h"

#include "platform/Text.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <string>

namespace {
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
        // QLineEdit counts UTF-16 units; the byte limit is kept by CutField.
        field->setMaxLength(int(keywordMaxBytes));
        connect(field, &QLineEdit::textEdited, this,
                [field] { CKeywordPicker::CutField(field, keywordMaxBytes); });
        fields->addWidget(field);
        m_fields[i] = field;
    }
    fields->addStretch();

    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("keywordList"));
    m_picker = std::make_unique<CKeywordPicker>(list, m_fields, keywordMaxBytes, nullptr);

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
    layout->addWidget(list, 1);
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
    m_picker->Rebuild(m_db, keywordListCapacity);
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

void CSaveDialog::Finish(SaveChoice choice) {
    m_choice = choice;
    if (choice == SaveChoice::save || choice == SaveChoice::saveAll)
        accept();
    else
        reject();
}
