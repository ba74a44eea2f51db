// CFile: a binary file on a POSIX descriptor with the open modes and share modes the
// database needs. Every operation but Open throws CFileException on failure.
//
// Share modes: "read-write, deny-write" holds an exclusive flock for as long as the file
// is open, so a second writer (in this or another process) is refused with the cause
// "File sharing violation" and falls back to reading; "deny-none" takes no lock.
// The position is kept here and transfers use pread/pwrite, so a seek costs nothing and
// a block transfer is one system call.
//
// Every transfer, SetLength (counted as a write) and Flush (a sync) passes the
// fault-injection switch (platform/FaultInjection.h) first; an injected EIO or ENOSPC
// throws the cause an actual one would, and an injected short write stores part of
// the bytes and then fails as "Disk full". Opens, writes, length changes and syncs are
// also told to the write journal (platform/WriteJournal.h) while a test records one.
#pragma once

#include "platform/FileException.h"
#include "platform/WriteJournal.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        shareDenyWrite = 0x0020,
        modeCreate = 0x1000,     // create, truncating an existing file
        modeNoTruncate = 0x2000, // with modeCreate: keep an existing file's content
        modeCreateNew = 0x4000,  // with modeCreate: fail when anything, a link included,
                                 // is already there (so no link is ever followed)
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    // Counts of transfers, for benchmarks that report I/O per operation.
    struct IoCounts {
        std::uint64_t reads = 0;
        std::uint64_t writes = 0;
    };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path; returns true on success, false with the cause in *error (when given).
    // Only regular files open: anything else is "File access denied".
    bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr);

    // Reads up to count bytes at the position and advances it; fewer at the end of the file.
    virtual std::size_t Read(void* buffer, std::size_t count);
    // Writes count bytes at the position and advances it; a short write is "Disk full".
    virtual void Write(const void* buffer, std::size_t count);
    // Moves the position; a position before the start is "Bad seek". Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, SeekPosition from);
    virtual std::int64_t GetPosition() const;
    virtual std::int64_t GetLength() const;
    virtual void SetLength(std::int64_t length);
    // Puts the written data on stable storage (fdatasync).
    virtual void Flush();
    // For benchmarks only: false makes Flush (and SyncFolder) return without syncing, so
    // that a benchmark can measure what durability costs; the syncs are still counted by
    // the fault-injection switch. Programs and tests never switch it off.
    static void SetSyncEnabled(bool enabled);
    static bool IsSyncEnabled();
    virtual void Close();
    virtual bool IsOpen() const { return m_fd >= 0; }

    std::int64_t SeekToBegin() { return Seek(0, begin); }
    std::int64_t SeekToEnd() { return Seek(0, end); }

    // Positioned transfers that leave the position alone.
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset);
    void WriteAt(const void* buffer, std::size_t count, std::int64_t offset);

    const std::string& GetFilePath() const { return m_path; }
    const IoCounts& GetIoCounts() const { return m_counts; }
    // True when something was written (or the file created or truncated) since it was
    // opened or last flushed successfully: only then does Flush have anything to do.
    bool HasUnsyncedWrites() const { return m_unsynced; }

private:
    // Adds a change of this file to the write journal when one is recording.
    void Record(WriteJournal::Kind kind, std::int64_t offset,
                std::span<const unsigned char> bytes = {}) const;

    int m_fd = -1;
    std::uint64_t m_inode = 0;
    std::int64_t m_position = 0;
    std::string m_path;
    IoCounts m_counts;
    bool m_unsynced = false;
};
