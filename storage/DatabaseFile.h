// CDatabaseFile: what the main file and the index file share: the open file, its path and
// read-only state, the last error, and the guard through which every operation runs.
//
// Opening: mode 0 is read-write with deny-write sharing, any other mode reading only; an
// existing file that cannot be opened for writing (another instance writes it, or
// read-only media) is opened for reading with deny-none sharing instead. A failure shows
// its cause text through the prompt and is kept as the last error.
#pragma once

#include "platform/File.h"
#include "platform/FileException.h"

#include <string>

class CDatabaseFile {
public:
    CDatabaseFile(const CDatabaseFile&) = delete;
    CDatabaseFile& operator=(const CDatabaseFile&) = delete;

    bool IsOpen() const { return m_open; }
    bool IsReadOnly() const { return m_readOnly; }
    const std::string& GetPath() const { return m_path; }
    int GetLastError() const { return m_lastError; }
    const CFile::IoCounts& GetIoCounts() const { return m_file.GetIoCounts(); }

    // Syncs the file when something was written since its last sync (a reader never
    // writes, so it never syncs). 1 or 0.
    int Flush();

protected:
    CDatabaseFile() = default;
    ~CDatabaseFile() = default;

    // Runs op on the open file; a file exception becomes the last error, a shown message
    // and `failure`, as does a closed file (without a message).
    template <class R, class Op> R Guard(R failure, Op&& op) {
        m_lastError = 0;
        if (!m_open)
            return failure;
        try {
            return op();
        } catch (const CFileException& e) {
            Fail(e.Cause());
            return failure;
        }
    }
    // The same for an op that returns nothing: true when it ran without an exception.
    template <class Op> bool Guard(Op&& op) {
        return Guard(false, [&] {
            op();
            return true;
        });
    }
    // Keeps cause as the last error and shows its text (nothing for 0).
    void Fail(int cause);

    // Creates (truncates) path with the mode; false after Fail.
    bool CreateFile(const std::string& path, int mode);
    // Opens the existing path with the mode, falling back to reading; sets the read-only
    // state. False after Fail (read-only state cleared).
    bool OpenFile(const std::string& path, int mode);
    // Closes the file (nothing is buffered, so a failing close loses nothing) and clears
    // the open and read-only states and the path.
    void CloseFile();

    CFile m_file;
    int m_lastError = 0;
    std::string m_path;
    bool m_open = false;
    bool m_readOnly = false;
};
