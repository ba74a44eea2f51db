#include "collection/MarkCommands.h"

#include "collection/PicdexDoc.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "storage/CommitBatch.h"

#include <vector>

CMarkCommands::CMarkCommands(CPicdexDoc& doc, IMarkView& view, IMarkDialogs& dialogs,
                             ISettings& settings)
    : m_doc(doc), m_view(view), m_dialogs(dialogs), m_settings(settings) {}

int CMarkCommands::ToggleMark() {
    CPictureDatabase& db = m_doc.Database();
    const std::int32_t record = db.Index().GetCurrentRecord();
    if (record < 0)
        return -1;
    int result = 1;
    if (db.Marks().IsMarked(record)) {
        db.Marks().Unmark(record);
        result = 0;
    } else if (!db.Marks().Mark(record)) {
        ShowMessage(tooManyMarksMessage);
        result = -1;
    }
    m_view.Repaint();
    return result;
}

void CMarkCommands::UnmarkAllCommand() {
    m_doc.Database().Marks().UnmarkAll();
    m_view.HideMarkBar();
    m_view.Repaint();
}

void CMarkCommands::FinishRedraw() {
    m_view.SetRedraw(true);
    m_view.RealizePalette();
    m_view.Repaint();
}

bool CMarkCommands::ShowMarkedRecord(std::int32_t record) {
    CPictureDatabase& db = m_doc.Database();
    m_view.SetRedraw(false);
    // LocateRecord leaves the cursor where it was when the record is not in the list; the
    // check of the record found keeps a damaged index from naming another one.
    const bool located = db.LocateRecord(record) && db.Index().GetCurrentRecord() == record &&
                         !db.Index().Current().IsDeleted();
    if (located)
        m_doc.ReloadCurrent();
    FinishRedraw();
    return located;
}

bool CMarkCommands::MoveAmongMarks(int code) {
    CMarkList& marks = m_doc.Database().Marks();
    if (!marks.HasMarks())
        return false;
    m_view.CommitPendingEdits();
    std::int32_t record = -1;
    switch (code) {
    case MarkMove::first:
        marks.FirstMark(record);
        break;
    case MarkMove::forward:
        marks.NextMark(record);
        break;
    case MarkMove::back:
        marks.PreviousMark(record);
        break;
    case MarkMove::last:
        marks.LastMark(record);
        break;
    case MarkMove::thumbnails:
        m_view.ShowMarkedThumbnails();
        return true;
    default:
        return false;
    }
    const bool shown = ShowMarkedRecord(record);
    m_view.ShowCurrentRecord();
    m_view.FocusView();
    return shown;
}

int CMarkCommands::DeleteMarked() {
    CPictureDatabase& db = m_doc.Database();
    if (!db.Marks().HasMarks() || !AskYesNo("Delete the marked data?"))
        return 0;
    // A copy: each deletion unmarks its record, and a mark that is passed over stays.
    const auto span = db.Marks().GetMarks();
    const std::vector<std::int32_t> marks(span.begin(), span.end());
    int deleted = 0;
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
        if (!ShowMarkedRecord(*it))
            continue;
        m_view.BlankProperties();
        // A failed deletion has shown its file error; the next ones would fail the same way.
        if (!m_doc.DeleteCurrent())
            break;
        ++deleted;
    }
    m_view.HideMarkBar();
    m_doc.GoNext();
    return deleted;
}

int CMarkCommands::KeywordOnMarked() {
    if (!m_doc.Database().Marks().HasMarks())
        return -1;
    std::string keyword;
    KeywordAction action = KeywordAction::add;
    if (!m_dialogs.AskKeywordOnMarked(keyword, action) || keyword.empty())
        return -1;
    const int changed = ApplyKeywordToMarks(keyword, action);
    MoveAmongMarks(MarkMove::last);
    return changed;
}

int CMarkCommands::ApplyKeywordToMarks(std::string_view keyword, KeywordAction action) {
    CPictureDatabase& db = m_doc.Database();
    // Cut as the field will hold it, so a long keyword compares equal to its stored form and
    // a second "Add" finds it.
    const std::string folded = FoldLower(CutUtf8(keyword, MainFormat::keywordField - 1));
    if (folded.empty())
        return 0;
    const auto span = db.Marks().GetMarks();
    const std::vector<std::int32_t> marks(span.begin(), span.end());
    int changed = 0;
    m_keywordFailed = false;
    // The changes share their syncs; the command's end is durable or reported failed.
    CCommitBatch batch(db);
    for (std::int32_t record : marks) {
        CRecordHead oldHead;
        if (!db.ReadHead(oldHead, record)) {
            m_keywordFailed = true;
            continue;
        }
        CRecordHead newHead = oldHead;
        bool found = false;
        int empty = -1;
        for (int slot = 0; slot < MainFormat::keywordCount; ++slot) {
            if (!newHead.HasKeyword(slot)) {
                if (empty < 0)
                    empty = slot;
            } else if (FoldLower(newHead.Keyword(slot)) == folded) {
                found = true;
                // "" rather than {}: an empty view's null pointer would reach memcpy.
                if (action == KeywordAction::remove)
                    newHead.SetKeyword(slot, "");
            }
        }
        if (action == KeywordAction::add) {
            if (found || empty < 0)
                continue;
            newHead.SetKeyword(empty, folded);
        } else if (!found) {
            continue;
        }
        if (!db.ChangeKeywords(record, oldHead, newHead)) {
            m_keywordFailed = true;
            break;
        }
        ++changed;
    }
    if (!batch.Finish())
        m_keywordFailed = true;
    return changed;
}

int CMarkCommands::TransferMarked() {
    CPictureDatabase& db = m_doc.Database();
    if (!db.Marks().HasMarks())
        return -1;
    CSaveFileRequest request;
    request.title = "Open Picdex file";
    request.filter = "Picdex|*.PXM||";
    request.defaultExtension = "PXM";
    request.initialFolder = m_settings.GetProfileString("Options", "OpenPath", "");
    std::string path;
    if (!m_dialogs.AskOpenPath(request, path))
        return -1;
    m_settings.WriteProfileString("Options", "OpenPath", GetFolder(path));

    CPictureDatabase target;
    if (!target.OpenDatabase(path, true))
        return -1;
    // Either file read-only would leave records in the main file that no index entry names,
    // or entries naming no record: both must be writable.
    if (target.Main().IsReadOnly() || target.Index().IsReadOnly()) {
        ShowMessage(readOnlyTargetMessage);
        return -1;
    }
    const auto span = db.Marks().GetMarks();
    const std::vector<std::int32_t> marks(span.begin(), span.end());
    int copied = 0;
    if (m_transferProgress)
        m_transferProgress(copied);
    {
        // The copies share their syncs; copies a failed sync took back are not counted.
        CCommitBatch batch(target, CCommitBatch::command,
                           [&](bool synced, std::span<const std::int32_t> records) {
                               if (!synced)
                                   copied -= static_cast<int>(records.size());
                           });
        for (std::int32_t record : marks) {
            if (!db.CopyRecord(record, target))
                break;
            ++copied;
            if (m_transferProgress)
                m_transferProgress(copied);
        }
        batch.Finish();
    }
    target.Close();
    return copied;
}
