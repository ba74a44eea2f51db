#include "storage/PictureExport.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

#include <cstdio>
#include <random>
#include <string>

namespace {

// Writes the current record's picture into file, open for writing at path, and closes it.
// The write is synced before it counts.
int WritePictureFile(CPictureDatabase& db, std::int32_t record, CFile& file,
                     const std::string& path, bool restoreTime) {
    CRecordHead head;
    int result = db.ReadPicture(file, record, head);
    try {
        if (result)
            file.Flush();
        file.Close();
    } catch (const CFileException& e) {
        ShowMessage(FileErrorText(e.Cause()));
        result = 0;
    }
    // A picture that could not be read whole, or a file that could not be written whole,
    // leaves no file that looks like the picture.
    if (!result) {
        UnlinkFile(path);
        return 0;
    }
    // 0 and -1 stand for "no date": the file keeps the time it was written.
    const std::int32_t created = head.DateImageCreated();
    if (restoreTime && created != 0 && created != -1)
        SetFileModTime(path, created);
    return result;
}

} // namespace

int WriteCurrentPicture(CPictureDatabase& db, const std::string& path, bool restoreTime) {
    const std::int32_t record = db.Index().GetCurrentRecord();
    if (record < 0)
        return 0;
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite))
        return 0;
    return WritePictureFile(db, record, file, path, restoreTime);
}

int WriteCurrentPictureInto(CPictureDatabase& db, const std::string& folder, bool restoreTime) {
    CRecordHead head;
    const std::int32_t record = db.Index().GetCurrentRecord();
    if (record < 0 || !db.ReadHead(head, record))
        return 0;
    const std::string name = GetFileName(head.FileName());
    if (name.empty() || name == "." || name == "..")
        return 0;
    // A hidden name of its own beside the target, created only where nothing is yet: a name
    // that is taken is tried again with another.
    static std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 8; ++attempt) {
        char unique[32];
        std::snprintf(unique, sizeof unique, ".PXT%08x.tmp", static_cast<unsigned>(random()));
        const std::string temporary = folder + unique;
        CFile file;
        if (!file.Open(temporary, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite))
            continue;
        if (!WritePictureFile(db, record, file, temporary, restoreTime))
            return 0;
        // rename replaces whatever has the name, a link included, and never follows it.
        if (!RenameFile(temporary, folder + name)) {
            UnlinkFile(temporary);
            return 0;
        }
        return 1;
    }
    return 0;
}
