#include "ui/dialogs/KeywordPicker.h"

#include "collection/Search.h"
#include "platform/Text.h"

#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <string>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
} // namespace

CKeywordPicker::CKeywordPicker(QListWidget* list, const Fields& fields, std::size_t fieldMaxBytes,
                               Picked picked)
    : m_list(list), m_fields(fields), m_fieldMaxBytes(fieldMaxBytes), m_picked(std::move(picked)) {
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_connection = QObject::connect(m_list, &QListWidget::itemSelectionChanged, m_list,
                                    [this] { OnSelectionChanged(); });
}

// The list may outlive the picker (it is destroyed with the dialog's children).
CKeywordPicker::~CKeywordPicker() {
    QObject::disconnect(m_connection);
}

void CKeywordPicker::Rebuild(CPictureDatabase& db, std::size_t capacity) {
    std::vector<std::string> lines;
    FillKeywordListRising(db, lines, capacity, searchWindowThresholdLimit);
    m_updating = true;
    m_list->clear();
    for (const std::string& line : lines)
        m_list->addItem(FromUtf8(line));
    m_updating = false;
    ReselectLines();
}

void CKeywordPicker::ReselectLines() {
    m_updating = true;
    m_list->clearSelection();
    for (QLineEdit* field : m_fields) {
        if (field->text().isEmpty())
            continue;
        // The list box's own prefix search: the first line that starts with "keyword [".
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

bool CKeywordPicker::CutField(QLineEdit* field, std::size_t maxBytes) {
    const std::string text = field->text().toStdString();
    if (text.size() <= maxBytes)
        return false;
    const int cursor = field->cursorPosition();
    field->setText(FromUtf8(CutUtf8(text, maxBytes)));
    field->setCursorPosition(std::min(cursor, int(field->text().size())));
    return true;
}

void CKeywordPicker::OnSelectionChanged() {
    if (m_updating)
        return;
    if (m_readOnly) {
        ReselectLines();
        return;
    }
    const int count = m_list->count();
    m_selected.resize(std::size_t(count), false);
    for (int row = 0; row < count; ++row) {
        const bool selected = m_list->item(row)->isSelected();
        if (selected == m_selected[std::size_t(row)])
            continue;
        m_selected[std::size_t(row)] = selected;
        PickLine(row, selected);
    }
}

void CKeywordPicker::PickLine(int row, bool selected) {
    const QString picked = FromUtf8(KeywordOfLine(m_list->item(row)->text().toStdString()));
    const auto holding = std::find_if(m_fields.begin(), m_fields.end(),
                                      [&](QLineEdit* field) { return field->text() == picked; });
    if (!selected) {
        if (holding == m_fields.end())
            return;
        (*holding)->clear();
        if (m_picked)
            m_picked(*holding);
        return;
    }
    if (holding != m_fields.end())
        return;
    const auto empty = std::find_if(m_fields.begin(), m_fields.end(),
                                    [](QLineEdit* field) { return field->text().isEmpty(); });
    if (empty == m_fields.end()) {
        // Every field is taken: the line does not stay selected.
        m_updating = true;
        m_list->item(row)->setSelected(false);
        m_updating = false;
        m_selected[std::size_t(row)] = false;
        return;
    }
    (*empty)->setText(picked);
    CutField(*empty, m_fieldMaxBytes);
    if (m_picked)
        m_picked(*empty);
}
