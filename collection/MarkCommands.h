// CMarkCommands: the commands of the "Mark" menu on the records the user has marked:
// marking and unmarking the shown record, paging among the marks, deleting them, adding or
// removing a keyword on all of them and copying them into another picture database. The
// mark list itself lives in the document's database (CMarkList); these commands read and
// change it and act on the records it names.
//
// A mark whose record is not in the current list (another order, a search range) cannot be
// shown; the commands that act on the shown record pass such a mark over, so no record is
// ever deleted that was not marked. Messages go through the prompt; the keyword dialog and
// the file dialog through IMarkDialogs; the view and the bar for paging among marks through
// IMarkView.
#pragma once

#include "collection/DocumentView.h"
#include "collection/SaveFileDialog.h"
#include "collection/Settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CPicdexDoc;

inline constexpr const char* tooManyMarksMessage = "Too many data marked.";
inline constexpr const char* readOnlyTargetMessage =
    "Cannot open. File already in use or is READONLY.";

// The radio buttons of the "Add/Delete keyword on marked data" dialog.
enum class KeywordAction { add = 0, remove = 1 };

// The codes the bar for paging among marks sends.
namespace MarkMove {
enum : int { first = 0, forward = 1, back = 2, last = 3, thumbnails = 7 };
}

class IMarkDialogs {
public:
    virtual ~IMarkDialogs() = default;
    // The "Add/Delete keyword on marked data" dialog: "&Keyword" and "&Add"/"&Delete" ("&Add"
    // arrives selected). False on Cancel.
    virtual bool AskKeywordOnMarked(std::string& keyword, KeywordAction& action) = 0;
    // The platform's dialog for opening a file, with the title, filter, default extension
    // and initial folder of request. False on Cancel, else path holds the chosen file.
    virtual bool AskOpenPath(const CSaveFileRequest& request, std::string& path) = 0;
};

// The view that runs the commands, with the windows it owns. Every call added here has a
// default that does nothing.
class IMarkView : public IDocumentView {
public:
    // Shows the bar for paging among marked records, creating it on first use.
    virtual void ShowMarkBar() {}
    // The thumbnail browser limited to the marked records, shown modally.
    virtual void ShowMarkedThumbnails() {}
    // The data-properties window shows no record.
    virtual void BlankProperties() {}
    // The keyboard focus goes back to the view.
    virtual void FocusView() {}
};

class CMarkCommands {
public:
    CMarkCommands(CPicdexDoc& doc, IMarkView& view, IMarkDialogs& dialogs, ISettings& settings);

    // Marks the current record, or unmarks it when marked. 1 marked, 0 unmarked, -1 when no
    // record is current or the list is full ("Too many data marked.").
    int ToggleMark();
    // Frees the mark list and hides the bar.
    void UnmarkAllCommand();
    // One of the MarkMove codes. True when a marked record was made current (or the marked
    // thumbnails shown); false without marks, for an unknown code, or when the mark's record
    // is not in the current list.
    bool MoveAmongMarks(int code);
    // Asks "Delete the marked data?" and deletes the marked records, last marked first, each
    // shown just before; marks not in the current list stay. Ends as GoNext. The number of
    // records deleted.
    int DeleteMarked();
    // The keyword dialog, then the keyword added to or removed from every marked record;
    // ends on the last mark. The number of records changed; -1 when nothing was started.
    int KeywordOnMarked();
    // Adds (KeywordAction::add) or removes keyword on every marked record, with the letter
    // case rules of the command; the number of records changed. Stops at a failed write.
    int ApplyKeywordToMarks(std::string_view keyword, KeywordAction action);
    // True when the last keyword change stopped at a record it could not read or write
    // (the file error has been shown).
    bool KeywordChangeFailed() const { return m_keywordFailed; }
    // Chooses a database with the file dialog and copies the marked records into it in
    // marking order. The number copied; -1 when it was cancelled, could not be opened or is
    // read-only ("Cannot open. File already in use or is READONLY.").
    int TransferMarked();
    // Called during the transfer: before the first copy with 0, then after each copy
    // that was written with the number copied so far.
    void SetTransferProgress(std::function<void(int copied)> progress) {
        m_transferProgress = std::move(progress);
    }

private:
    // Makes the mark's record current and shows it; false when it is not in the list.
    bool ShowMarkedRecord(std::int32_t record);
    void FinishRedraw();

    CPicdexDoc& m_doc;
    IMarkView& m_view;
    IMarkDialogs& m_dialogs;
    ISettings& m_settings;
    bool m_keywordFailed = false;
    std::function<void(int)> m_transferProgress;
};
