// The output commands.
#include "collection/PictureOutput.h"

#include "collection/PicdexDoc.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/PathInfo.h"
#include "platform/Prompt.h"
#include "storage/PictureExport.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

namespace {

// The writing of OutputList and OutputMarks, before the folder is synced.
COutputResult WriteList(CPicdexDoc& doc, const std::string& folder, const OutputProgress& progress);
COutputResult WriteMarks(CPicdexDoc& doc, const std::string& folder,
                         const OutputProgress& progress);

// Writes the current record into folder, asking before replacing a file.
void WriteCurrent(CPicdexDoc& doc, const std::string& folder, COutputResult& result) {
    CRecordHead head;
    if (!doc.GetCurrentHead(head)) {
        ++result.failed;
        return;
    }
    // The name as WriteCurrentPictureInto forms it. The question is about that exact file:
    // a name differing only in letter case is another file here.
    const std::string target = folder + GetFileName(head.FileName());
    if (PathExists(target, false) && !AskYesNo("File already exists. Overwrite?"))
        return;
    if (WriteCurrentPictureInto(doc.Database(), folder, true) == 1)
        ++result.written;
    else
        ++result.failed;
}

// The renames of the files written are made durable once, after the last file; a folder
// that cannot be synced makes the output a failure.
COutputResult SyncWritten(const std::string& folder, COutputResult result) {
    if (result.written > 0 && !SyncFolder(folder)) {
        ShowMessage(FileErrorText(FileCauseFromErrno(errno)));
        ++result.failed;
    }
    return result;
}

// A walk that stopped early: the index's own error has been shown, or nothing has.
void WalkStopped(CIndexFile& index, COutputResult& result) {
    if (index.GetLastError() == 0)
        ShowMessage(FileErrorText(FileCause::generic));
    ++result.failed;
}

COutputResult RunOutput(CPicdexDoc& doc, IOutputFolderDialog& dialog, bool marked,
                        const OutputProgress& progress) {
    std::string typed;
    if (!dialog.AskOutputFolder(typed))
        return {};
    const std::string folder = OutputFolderOf(typed);
    if (!IsFolder(folder)) {
        ShowMessage("Invalid folder");
        return {};
    }
    const COutputResult result =
        marked ? OutputMarks(doc, folder, progress) : OutputList(doc, folder, progress);
    char text[64];
    std::snprintf(text, sizeof text, "Output %d picture files.", result.written);
    ShowMessage(text);
    return result;
}

} // namespace

bool IsFolder(const std::string& path) {
    return GetPathInfo(path).kind == PathKind::folder;
}

std::string OutputFolderOf(const std::string& typed) {
    // '/' never occurs inside a multi-byte UTF-8 character, so the last byte decides.
    if (typed.empty() || typed.back() != '/')
        return typed + '/';
    return typed;
}

COutputResult OutputAll(CPicdexDoc& doc, IOutputFolderDialog& dialog,
                        const OutputProgress& progress) {
    return RunOutput(doc, dialog, false, progress);
}

COutputResult OutputMarked(CPicdexDoc& doc, IOutputFolderDialog& dialog,
                           const OutputProgress& progress) {
    return RunOutput(doc, dialog, true, progress);
}

COutputResult OutputList(CPicdexDoc& doc, const std::string& folder,
                         const OutputProgress& progress) {
    return SyncWritten(folder, WriteList(doc, folder, progress));
}

COutputResult OutputMarks(CPicdexDoc& doc, const std::string& folder,
                          const OutputProgress& progress) {
    return SyncWritten(folder, WriteMarks(doc, folder, progress));
}

namespace {

COutputResult WriteList(CPicdexDoc& doc, const std::string& folder,
                        const OutputProgress& progress) {
    COutputResult result{0, 0};
    CPictureDatabase& db = doc.Database();
    CIndexFile& index = db.Index();
    // The live entries the walk must meet, counted without the links and the skip table
    // (the whole family; a search range is walked as it is).
    std::int32_t expected = -1;
    if (!db.IsSearching()) {
        const int order = index.GetOrder();
        expected = index.CountFamily(order == OrderFamily::dateSaved ? IndexFormat::dateFamily
                                                                     : IndexFormat::nameFamily,
                                     true);
        if (expected < 0) {
            ++result.failed;
            return result;
        }
    }
    if (!doc.GoTop()) {
        // An empty list, or one whose entries are all deleted, has nothing to write.
        if (index.GetLastError() != 0 || expected > 0)
            WalkStopped(index, result);
        return result;
    }
    const std::int32_t first = index.GetCurrentNumber();
    std::int32_t met = 0;
    // Each step moves to another live entry until the list wraps; the budget only guards
    // against a damaged list that never comes back to the first entry.
    for (std::int32_t budget = index.EntryCount(); budget >= 0; --budget) {
        ++met;
        WriteCurrent(doc, folder, result);
        if (progress)
            progress(met);
        const std::int32_t before = index.GetCurrentNumber();
        if (!doc.GoNext()) {
            WalkStopped(index, result);
            return result;
        }
        const std::int32_t now = index.GetCurrentNumber();
        if (now == first || now == before)
            break;
    }
    if (met < expected)
        WalkStopped(index, result);
    return result;
}

COutputResult WriteMarks(CPicdexDoc& doc, const std::string& folder,
                         const OutputProgress& progress) {
    CPictureDatabase& db = doc.Database();
    CIndexFile& index = db.Index();
    // A copy: the marks are read while the cursor moves.
    const auto marks = db.Marks().GetMarks();
    const std::vector<std::int32_t> records(marks.begin(), marks.end());
    COutputResult result{0, 0};
    for (std::size_t done = 0; done < records.size(); ++done) {
        const std::int32_t record = records[done];
        if (progress)
            progress(static_cast<int>(done));
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
        WriteCurrent(doc, folder, result);
    }
    return result;
}

} // namespace
