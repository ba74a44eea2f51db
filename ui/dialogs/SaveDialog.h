// CSaveDialog: the "Save" dialog of the Add command, which takes up to six keywords for the
// file about to be stored. Its list shows the database's keywords ("%s [%d]"); selecting a
// line puts its keyword into the first empty field, deselecting it takes it out again. The
// dialog opens at the screen's top-left corner. Buttons: "Save &all" (disabled unless
// saveAllEnabled), "&Save", "&Do not save", "&Cancel"; closing the window counts as
// "&Do not save".
#pragma once

#include "collection/AddDialogs.h"
#include "storage/PictureDatabase.h"
#include "ui/dialogs/KeywordPicker.h"

#include <QDialog>

#include <array>
#include <cstddef>
#include <memory>

class QLineEdit;
class QPushButton;
class QShowEvent;

class CSaveDialog : public QDialog {
    Q_OBJECT

public:
    // Most lines the keyword list takes before it falls back to a higher threshold.
    static constexpr std::size_t keywordListCapacity = 4096;
    // Most bytes (UTF-8) of one keyword field.
    static constexpr std::size_t keywordMaxBytes = 31;

    CSaveDialog(CPictureDatabase& db, bool saveAllEnabled, QWidget* parent);

    // The button that closed the dialog.
    SaveChoice Choice() const { return m_choice; }
    // The six fields (UTF-8) as they stood when the dialog closed.
    CPictureDatabase::Keywords Keywords() const;

    // Fills the keyword list again from the database and selects the lines of the filled
    // fields (the first line whose keyword equals each field's text).
    void RebuildKeywordList();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Finish(SaveChoice choice);

    CPictureDatabase& m_db;
    std::array<QLineEdit*, MainFormat::keywordCount> m_fields{};
    std::unique_ptr<CKeywordPicker> m_picker;
    QPushButton* m_saveAll = nullptr;
    bool m_placed = false;
    SaveChoice m_choice = SaveChoice::doNotSave;
};
