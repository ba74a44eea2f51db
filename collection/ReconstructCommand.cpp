#include "collection/ReconstructCommand.h"

#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace {
// Deletes the file of that name in any letter case, if there is one.
void RemoveFile(const std::string& path) {
    UnlinkFile(ResolveCaseInsensitive(path));
}

void RemoveDatabaseFiles(const std::string& base) {
    RemoveFile(base + ".pxm");
    RemoveFile(base + ".pxi");
}

// True when the path, or either file of the database it names, exists: the build would
// open that pair and add to it (or to the open database itself) instead of creating one.
bool DatabaseTargetExists(const std::string& path) {
    return FileExists(path) || FileExists(ReplaceExtension(path, ".PXM")) ||
           FileExists(ReplaceExtension(path, ".PXI"));
}

// Renames each finished file to its temporary name, the one that completes the set last,
// and makes the renames durable. False when one fails (its file error has been shown).
bool MoveIntoPlace(std::initializer_list<std::pair<std::string, std::string>> moves,
                   const std::string& mainPath) {
    for (const auto& [from, to] : moves) {
        if (!RenameFile(ResolveCaseInsensitive(from), to)) {
            ShowMessage(FileErrorText(FileCauseFromErrno(errno)));
            return false;
        }
    }
    if (!SyncFolder(GetFolder(mainPath))) {
        ShowMessage(FileErrorText(FileCauseFromErrno(errno)));
        return false;
    }
    return true;
}
} // namespace

std::string ReconstructProgressText(std::int32_t done, std::int32_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%d / %d", static_cast<int>(done), static_cast<int>(total));
    return text;
}

CReconstructCommand::CReconstructCommand(CPictureDatabase& db, IReconstructDialogs& dialogs,
                                         IApplicationHost& host, ISettings& settings)
    : m_db(db), m_dialogs(dialogs), m_host(host), m_settings(settings) {}

int CReconstructCommand::Run() {
    switch (m_dialogs.AskReconstruction()) {
    case ReconstructChoice::index:
        return ReconstructIndex();
    case ReconstructChoice::main:
        // The Control key is read at the confirmation, whatever happens later.
        return m_dialogs.IsControlKeyDown() ? ReconstructMainInto() : ReconstructMain();
    case ReconstructChoice::cancel:
        break;
    }
    return 0;
}

int CReconstructCommand::ReconstructIndex() {
    const std::string temporary = ResolveCaseInsensitive(TemporaryIndexPath(m_db.GetMainPath()));
    const std::string building = BuildingPath(temporary);
    const int built =
        m_dialogs.RunBuild(ReconstructChoice::index, [&](IReconstructionProgress& progress) {
            return BuildIndexFromMain(m_db, building, progress) &&
                           MoveIntoPlace({{building, temporary}}, m_db.GetMainPath())
                       ? 1
                       : 0;
        });
    if (!built) {
        RemoveFile(building);
        RemoveFile(temporary);
        return 0;
    }
    HandOver();
    return 1;
}

int CReconstructCommand::ReconstructMain() {
    const std::string base = TemporaryMainBasePath(m_db.GetMainPath());
    const std::string building = BuildingPath(base);
    const int built =
        m_dialogs.RunBuild(ReconstructChoice::main, [&](IReconstructionProgress& progress) {
            // A pair left by an earlier build would be opened and added to.
            RemoveDatabaseFiles(base);
            RemoveDatabaseFiles(building);
            // Opening a database replaces the extension of its path: the base needs one of
            // its own, or the open database itself would be named. The swap needs both
            // files: the index arrives last.
            return BuildMainCopy(m_db, building + ".PXM", progress, &m_copy) &&
                           MoveIntoPlace({{building + ".pxm", base + ".PXM"},
                                          {building + ".pxi", base + ".PXI"}},
                                         m_db.GetMainPath())
                       ? 1
                       : 0;
        });
    if (!built) {
        RemoveDatabaseFiles(base);
        RemoveDatabaseFiles(building);
        return 0;
    }
    ReportUncopied();
    HandOver();
    return 1;
}

int CReconstructCommand::ReconstructMainInto() {
    CSaveFileRequest request;
    request.filter = "Picdex|*.PXM||";
    request.defaultExtension = "PXM";
    request.initialFolder = m_settings.GetProfileString("Options", "OpenPath", "");
    std::string path;
    if (!m_dialogs.AskSavePath(request, path) || path.empty())
        return 0;
    if (DatabaseTargetExists(path)) {
        ShowMessage("File already exists. Cannot overwrite.");
        return 0;
    }
    // A partial target is left as it is: it is the user's own new file.
    const int built =
        m_dialogs.RunBuild(ReconstructChoice::main, [&](IReconstructionProgress& progress) {
            return BuildMainCopy(m_db, path, progress, &m_copy);
        });
    if (!built)
        return 0;
    ReportUncopied();
    ShowMessage("Reconstruction completed.  " + path + " is created.");
    return 1;
}

void CReconstructCommand::ReportUncopied() {
    if (m_copy.notCopied > 0)
        ShowMessage(std::to_string(m_copy.copied) + " records copied, " +
                    std::to_string(m_copy.notCopied) + " could not be copied.");
}

void CReconstructCommand::HandOver() {
    m_host.OpenByPath(m_db.GetMainPath());
    m_host.CloseMainWindow();
}
