#include "storage/DatabaseFile.h"

#include "platform/Prompt.h"

namespace {
unsigned OpenFlags(int mode, bool create) {
    unsigned flags = mode == 0 ? (CFile::modeReadWrite | CFile::shareDenyWrite) : CFile::modeRead;
    if (create)
        flags |= CFile::modeCreate;
    return flags;
}
} // namespace

int CDatabaseFile::Flush() {
    return Guard([&] {
        if (m_file.HasUnsyncedWrites())
            m_file.Flush();
    });
}

void CDatabaseFile::Fail(int cause) {
    m_lastError = cause;
    if (cause != 0)
        ShowMessage(FileErrorText(cause));
}

bool CDatabaseFile::CreateFile(const std::string& path, int mode) {
    CFileException error;
    if (m_file.Open(path, OpenFlags(mode, true), &error))
        return true;
    Fail(error.Cause());
    return false;
}

bool CDatabaseFile::OpenFile(const std::string& path, int mode) {
    CFileException error;
    m_readOnly = mode != 0;
    if (m_file.Open(path, OpenFlags(mode, false), &error))
        return true;
    m_readOnly = true;
    if (m_file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error))
        return true;
    m_readOnly = false;
    Fail(error.Cause());
    return false;
}

void CDatabaseFile::CloseFile() {
    try {
        m_file.Close();
    } catch (const CFileException&) {
        // Every change was written when it was made.
    }
    m_open = false;
    m_readOnly = false;
    m_path.clear();
}
