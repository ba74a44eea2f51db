#include "platform/FileException.h"

#include <cerrno>

const char* FileErrorText(int cause) {
    static const char* const texts[] = {
        "No error",
        "Unknown error",
        "File not found",
        "Bad path name",
        "Too many open files",
        "File access denied",
        "Invalid file handle",
        "Cannot remove current directory",
        "Directory full",
        "Bad seek",
        "Hardware failure",
        "File sharing violation",
        "File lock violation",
        "Disk full",
        "Reached end of file",
    };
    if (cause < 0 || cause >= static_cast<int>(sizeof texts / sizeof texts[0]))
        return texts[FileCause::generic];
    return texts[cause];
}

int FileCauseFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return FileCause::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return FileCause::badPath;
    case EMFILE:
    case ENFILE:
        return FileCause::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileCause::accessDenied;
    case EBADF:
        return FileCause::invalidFile;
    case ENOSPC:
    case EDQUOT:
        return FileCause::diskFull;
    case EIO:
        return FileCause::hardIO;
    case EWOULDBLOCK:
        return FileCause::sharingViolation;
    default:
        return FileCause::generic;
    }
}

void CFileException::ThrowErrno(int error) {
    throw CFileException(FileCauseFromErrno(error));
}
