// CKeywordPicker: ties a multi-selection keyword list ("%s [%d]" lines) to the six keyword
// fields of a dialog. Selecting a line puts its keyword into the first empty field (nothing
// when a field already holds it); when every field is taken the line is deselected again.
// Deselecting a line empties the field that holds its keyword. The list's selection follows
// the fields on ReselectLines. The list and the fields belong to the dialog, which must keep
// them alive as long as the picker.
#pragma once

#include "storage/PictureDatabase.h"
#include "storage/RecordHead.h"

#include <QMetaObject>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;

class CKeywordPicker {
public:
    using Fields = std::array<QLineEdit*, MainFormat::keywordCount>;
    // Told after a line's pick filled or emptied field.
    using Picked = std::function<void(QLineEdit* field)>;

    CKeywordPicker(QListWidget* list, const Fields& fields, std::size_t fieldMaxBytes,
                   Picked picked);
    ~CKeywordPicker();
    CKeywordPicker(const CKeywordPicker&) = delete;
    CKeywordPicker& operator=(const CKeywordPicker&) = delete;

    // Fills the list from db with the thresholds 0, 1, 2 until it fits capacity lines, then
    // selects the lines of the filled fields.
    void Rebuild(CPictureDatabase& db, std::size_t capacity);
    // Selects the first line starting with "keyword [" for each filled field, nothing else.
    void ReselectLines();
    // While read-only, clicks on the list change no field; the selection snaps back.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Cuts field's text to maxBytes of UTF-8 at a character boundary, keeping the cursor;
    // true when it was cut.
    static bool CutField(QLineEdit* field, std::size_t maxBytes);

private:
    void OnSelectionChanged();
    void PickLine(int row, bool selected);

    QListWidget* m_list;
    Fields m_fields;
    std::size_t m_fieldMaxBytes;
    Picked m_picked;
    QMetaObject::Connection m_connection;
    // Rows selected as of the last selection change, to tell selections from deselections.
    std::vector<bool> m_selected;
    bool m_updating = false;
    bool m_readOnly = false;
};
