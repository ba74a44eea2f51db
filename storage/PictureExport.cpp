#include "storage/PictureExport.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

int WriteCurrentPicture(CPictureDatabase& db, const std::string& path, bool restoreTime) {
    const std::int32_t record = db.Index().GetCurrentRecord();
    if (record < 0)
        return 0;
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite))
        return 0;
    CRecordHead head;
    int result = db.ReadPicture(file, record, head);
    try {
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

int WriteCurrentPictureInto(CPictureDatabase& db, const std::string& folder, bool restoreTime) {
    CRecordHead head;
    const std::int32_t record = db.Index().GetCurrentRecord();
    if (record < 0 || !db.ReadHead(head, record))
        return 0;
    const std::string name = GetFileName(head.FileName());
    if (name.empty() || name == "." || name == "..")
        return 0;
    return WriteCurrentPicture(db, folder + name, restoreTime);
}
