// The output commands.
#include "collection/PictureOutput.h"

#include "collection/PicdexDoc.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/PictureExport.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// Writes the current record into folder, asking before replacing a file; true when written.
bool WriteCurrent(CPicdexDoc& doc, const std::string& folder) {
    CRecordHead head;
    if (!doc.GetCurrentHead(head))
        return false;
    // The name as WriteCurrentPictureInto forms it. The question is about that exact file:
    // a name differing only in letter case is another file here.
    const std::string target = folder + GetFileName(head.FileName());
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, error)) &&
        !AskYesNo("File already exists. Overwrite?"))
        return false;
    return WriteCurrentPictureInto(doc.Database(), folder, true) == 1;
}

int RunOutput(CPicdexDoc& doc, IOutputFolderDialog& dialog, bool marked) {
    std::string typed;
    if (!dialog.AskOutputFolder(typed))
        return -1;
    const std::string folder = OutputFolderOf(typed);
    if (!IsFolder(folder)) {
        ShowMessage("Invalid folder");
        return -1;
    }
    const int written = marked ? OutputMarks(doc, folder) : OutputList(doc, folder);
    char text[64];
    std::snprintf(text, sizeof text, "Output %d picture files.", written);
    ShowMessage(text);
    return written;
}

} // namespace

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string OutputFolderOf(const std::string& typed) {
    // '/' never occurs inside a multi-byte UTF-8 character, so the last byte decides.
    if (typed.empty() || typed.back() != '/')
        return typed + '/';
    return typed;
}

int OutputAll(CPicdexDoc& doc, IOutputFolderDialog& dialog) {
    return RunOutput(doc, dialog, false);
}

int OutputMarked(CPicdexDoc& doc, IOutputFolderDialog& dialog) {
    return RunOutput(doc, dialog, true);
}

int OutputList(CPicdexDoc& doc, const std::string& folder) {
    if (!doc.GoTop())
        return 0;
    CIndexFile& index = doc.Database().Index();
    const std::int32_t first = index.GetCurrentNumber();
    int written = 0;
    // Each step moves to another live entry until the list wraps; the budget only guards
    // against a damaged list that never comes back to the first entry.
    for (std::int32_t budget = index.EntryCount(); budget >= 0; --budget) {
        CRecordHead head;
        if (!doc.GetCurrentHead(head))
            break;
        if (WriteCurrent(doc, folder))
            ++written;
        const std::int32_t before = index.GetCurrentNumber();
        doc.GoNext();
        const std::int32_t now = index.GetCurrentNumber();
        if (now == first || now == before)
            break;
    }
    return written;
}

int OutputMarks(CPicdexDoc& doc, const std::string& folder) {
    CPictureDatabase& db = doc.Database();
    CIndexFile& index = db.Index();
    // A copy: the marks are read while the cursor moves.
    const auto marks = db.Marks().GetMarks();
    const std::vector<std::int32_t> records(marks.begin(), marks.end());
    int written = 0;
    for (std::int32_t record : records) {
        const CIndexEntry before = index.Current();
        // A record that is not in the current list (outside the search, or deleted) is not
        // written: locating it would otherwise leave the previous record current.
        if (!db.LocateRecord(record))
            continue;
        if (index.Current().IsDeleted()) {
            index.SetCurrent(before);
            continue;
        }
        doc.ReloadCurrent();
        if (WriteCurrent(doc, folder))
            ++written;
    }
    return written;
}
