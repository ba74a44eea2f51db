// CFileException: a failed file operation, named by one of the fifteen file-error causes.
// The platform file layer throws it; the storage layer catches it at its boundary, shows
// the cause's text and returns its failure value.
#pragma once

#include <exception>

namespace FileCause {
enum : int {
    none = 0,
    generic = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
};
}

// The user-facing text of a cause ("Disk full", ...); "Unknown error" for a value outside 0..14.
const char* FileErrorText(int cause);

// The cause that an errno value stands for.
int FileCauseFromErrno(int error);

class CFileException : public std::exception {
public:
    explicit CFileException(int cause = FileCause::none) : m_cause(cause) {}

    // Throws the exception whose cause matches errno value `error`.
    [[noreturn]] static void ThrowErrno(int error);

    int Cause() const { return m_cause; }
    void SetCause(int cause) { m_cause = cause; }
    const char* what() const noexcept override { return FileErrorText(m_cause); }

private:
    int m_cause;
};
