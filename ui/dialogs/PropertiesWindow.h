// CPropertiesWindow: the modeless "Data properties" window beside the picture view. It shows
// a record head's file information (name, dates, data size) and its six keywords in edit
// fields the user may change, helped by the list of the database's keywords ("%s [%d]"):
// selecting a line puts its keyword into the first empty field, deselecting it empties the
// field that holds it. The window never writes the record itself: its owner (the view)
// reads the edits with GetKeywords when IsModified and writes them, then SetModified(false).
// "&Prev" and "&Next" hand the move to the owner (messages 0x46F and 0x46E), which writes
// the edits first and refills the window. "&Close" and Esc only hide the window.
#pragma once

#include "storage/PictureDatabase.h"
#include "storage/RecordHead.h"
#include "ui/dialogs/KeywordPicker.h"

#include <QDialog>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;

class CPropertiesWindow : public QDialog {
    Q_OBJECT

public:
    // Most lines the keyword list takes before it leaves out rarer keywords.
    static constexpr std::size_t keywordListCapacity = 4096;
    // Most bytes (UTF-8) of one keyword field.
    static constexpr std::size_t keywordMaxBytes = 31;

    // Receives PrivateMessage::nextFromProperties or previousFromProperties.
    using MoveRequest = std::function<void(int message)>;
    // Told whenever IsModified may have changed (the "MDF" pane follows it).
    using ModifiedChanged = std::function<void()>;

    // Fills the keyword list from db, which must outlive the window.
    CPropertiesWindow(CPictureDatabase& db, MoveRequest move, ModifiedChanged modifiedChanged,
                      QWidget* parent);

    // The head with an empty name and keywords, both dates -1 and size 0.
    static CRecordHead BlankHead();

    // Shows head: its keywords in the fields (change flags cleared), its file name, dates
    // ("%H:%M:%S %B %d,%Y" in local time, empty for -1) and data size ("%u bytes"); the
    // keyboard focus goes to the first empty field unless it is in another window; the
    // list lines of the filled fields are selected.
    void Fill(const CRecordHead& head);
    // Puts the keyboard focus into the first empty keyword field (field 1 when all six are
    // filled).
    void FocusFirstEmptyField();
    // True when any of the six fields was changed since the last Fill or SetModified(false).
    bool IsModified() const;
    // The six fields' texts into head's keyword fields.
    void GetKeywords(CRecordHead& head) const;
    CPictureDatabase::Keywords Keywords() const;
    void SetModified(bool modified);
    // Fields and list take no edits (a read-only database); the list still shows the
    // lines of the filled fields.
    void SetReadOnly(bool readOnly);

    // "&Update keyword list": fills the list with the thresholds 0, 1, 2 until it fits, then
    // selects the lines of the filled fields.
    void RebuildKeywordList();
    // Message 0x472: selects the first line of each filled field's keyword.
    void ReselectLines();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnFieldEdited(QLineEdit* field);
    void RequestMove(int message);
    void PlaceBesideOwner();

    CPictureDatabase& m_db;
    MoveRequest m_move;
    ModifiedChanged m_modifiedChanged;
    std::array<QLineEdit*, MainFormat::keywordCount> m_fields{};
    QLabel* m_fileName = nullptr;
    QLabel* m_dateCreated = nullptr;
    QLabel* m_dateSaved = nullptr;
    QLabel* m_dataSize = nullptr;
    std::unique_ptr<CKeywordPicker> m_picker;
    bool m_placed = false;
};
