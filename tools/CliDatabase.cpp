#include "tools/CliDatabase.h"

#include "collection/PasswordCheck.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/Reconstruction.h"

int OpenForCommand(CliArgs& args, CPictureDatabase& db, const std::string& path, bool forWriting) {
    // Every open by path first installs a reconstruction left by an earlier run.
    CompletePendingReconstruction(path);
    if (!MainFileExists(path) && !AskYesNo("File not found. Create?"))
        return 0;
    if (!OpenForDocument(db, path, args.PasswordDialog()))
        return 0;
    if (forWriting && db.IsReadOnly()) {
        ShowMessage("Cannot open. File already in use or is READONLY.");
        return 0;
    }
    return 1;
}

bool MainFileExists(const std::string& path) {
    return FileExists(StripExtension(path) + ".PXM");
}

int ReportIncompleteWalk(const CIndexFile& index) {
    if (index.GetLastError() == 0)
        ShowMessage(FileErrorText(FileCause::generic));
    return 1;
}

int ForEachEntry(CIndexFile& index, const std::function<void(const CIndexEntry&)>& visit) {
    std::int32_t count = index.EntryCount();
    if (count < 0)
        return -1;
    CIndexEntry entry;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!index.ReadEntry(entry, i))
            return -1;
        visit(entry);
    }
    return 1;
}

int CheckRecordBlock(CPictureDatabase& db, std::int32_t block, bool needLive) {
    bool found = false;
    int result = ForEachEntry(db.Index(), [&](const CIndexEntry& entry) {
        if (entry.record == block && (!needLive || !entry.IsDeleted()))
            found = true;
    });
    if (result != 1)
        return -1;
    if (!found) {
        ShowMessage("Data not found");
        return 0;
    }
    return 1;
}
