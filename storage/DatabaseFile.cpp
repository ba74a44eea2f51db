#include "storage/DatabaseFile.h"

unsigned DatabaseOpenFlags(int mode, bool create) {
    unsigned flags = mode == 0 ? (CFile::modeReadWrite | CFile::shareDenyWrite) : CFile::modeRead;
    if (create)
        flags |= CFile::modeCreate;
    return flags;
}

bool OpenDatabaseFile(CFile& file, const std::string& path, int mode, bool& readOnly,
                      CFileException& error) {
    readOnly = mode != 0;
    if (file.Open(path, DatabaseOpenFlags(mode, false), &error))
        return true;
    readOnly = true;
    return file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error);
}

void CloseDatabaseFile(CFile& file) {
    try {
        file.Close();
    } catch (const CFileException&) {
        // Every change was written when it was made.
    }
}
