#include "platform/File.h"

#include "platform/FaultInjection.h"
#include "platform/WriteJournal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool syncEnabled = true;

// The errno an injected fault stands for; a short write anywhere but in a transfer is EIO.
int FaultErrno(FaultInjection::Fault fault) {
    return fault == FaultInjection::Fault::noSpace ? ENOSPC : EIO;
}

// Counts one operation with the fault-injection switch and throws the armed fault when this
// is the operation it must fail. A short write is thrown as EIO except by a transfer
// (partial = true): then it returns true and the caller delivers it, because part of the
// bytes must really reach the file.
bool StrikeFile(FaultInjection::Operation operation, bool partial = false) {
    FaultInjection::Fault fault{};
    if (!FaultInjection::Strike(operation, fault)) [[likely]]
        return false;
    if (fault == FaultInjection::Fault::shortWrite && partial)
        return true;
    CFileException::ThrowErrno(FaultErrno(fault));
}

} // namespace

void CFile::SetSyncEnabled(bool enabled) {
    syncEnabled = enabled;
}

bool CFile::IsSyncEnabled() {
    return syncEnabled;
}

CFile::~CFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    if (m_fd >= 0)
        Close();
    int access = O_RDONLY;
    if (flags & modeReadWrite)
        access = O_RDWR;
    else if (flags & modeWrite)
        access = O_WRONLY;
    // Non-blocking only while opening: a FIFO must not hang the open, and is refused below.
    int oflags = access | O_CLOEXEC | O_NONBLOCK;
    if (flags & modeCreate)
        oflags |= O_CREAT;
    if ((flags & modeCreate) && (flags & modeCreateNew))
        oflags |= O_EXCL;

    auto fail = [&](int err) {
        if (error)
            error->SetCause(FileCauseFromErrno(err));
        return false;
    };

    if (path.empty())
        return fail(ENOENT);
    const bool existed = WriteJournal::IsRecording() && ::access(path.c_str(), F_OK) == 0;
    int fd = ::open(path.c_str(), oflags, 0666);
    if (fd < 0)
        return fail(errno);

    // Only regular files hold pictures and databases: a folder, FIFO or device could never
    // end or never answer.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(EACCES);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // The lock is taken before truncating so that a file another writer holds is never cut.
    if ((flags & shareDenyWrite) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return fail(err == EWOULDBLOCK ? EWOULDBLOCK : err);
    }
    if ((flags & modeCreate) && !(flags & modeNoTruncate) && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        return fail(err);
    }
    m_fd = fd;
    m_position = 0;
    m_unsynced = (flags & modeCreate) != 0;
    m_path = path;
    m_inode = st.st_ino;
    if (WriteJournal::IsRecording()) {
        WriteJournal::Entry entry;
        entry.kind = WriteJournal::Kind::open;
        entry.file = m_inode;
        entry.path = path;
        entry.created = !existed;
        entry.offset = (flags & modeCreate) && !(flags & modeNoTruncate) ? 0 : -1;
        WriteJournal::Append(std::move(entry));
    }
    return true;
}

std::size_t CFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset) {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    auto* out = static_cast<unsigned char*>(buffer);
    StrikeFile(FaultInjection::Operation::read);
    std::size_t done = 0;
    ++m_counts.reads;
    while (done < count) {
        ssize_t n =
            ::pread(m_fd, out + done, count - done, offset + static_cast<std::int64_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CFileException::ThrowErrno(errno);
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void CFile::WriteAt(const void* buffer, std::size_t count, std::int64_t offset) {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    ++m_counts.writes;
    // Even a failed write may have changed the file.
    m_unsynced = true;
    // An injected short write transfers the first half (at least one byte of two or more)
    // and then meets the end of the disk.
    std::size_t limit = count;
    bool shortWrite = StrikeFile(FaultInjection::Operation::write, true);
    if (shortWrite)
        limit = count > 1 ? count / 2 : 0;
    while (done < limit) {
        ssize_t n =
            ::pwrite(m_fd, in + done, limit - done, offset + static_cast<std::int64_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CFileException::ThrowErrno(errno);
        }
        if (n == 0)
            throw CFileException(FileCause::diskFull);
        Record(WriteJournal::Kind::write, offset + static_cast<std::int64_t>(done),
               {in + done, static_cast<std::size_t>(n)});
        done += static_cast<std::size_t>(n);
    }
    if (shortWrite)
        throw CFileException(FileCause::diskFull);
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    std::size_t n = ReadAt(buffer, count, m_position);
    m_position += static_cast<std::int64_t>(n);
    return n;
}

void CFile::Write(const void* buffer, std::size_t count) {
    WriteAt(buffer, count, m_position);
    m_position += static_cast<std::int64_t>(count);
}

std::int64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    std::int64_t base = 0;
    if (from == current)
        base = m_position;
    else if (from == end)
        base = GetLength();
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        throw CFileException(FileCause::badSeek);
    m_position = base + offset;
    return m_position;
}

std::int64_t CFile::GetPosition() const {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    return m_position;
}

std::int64_t CFile::GetLength() const {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        CFileException::ThrowErrno(errno);
    return st.st_size;
}

void CFile::SetLength(std::int64_t length) {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    if (length < 0)
        throw CFileException(FileCause::badSeek);
    StrikeFile(FaultInjection::Operation::write);
    m_unsynced = true;
    if (::ftruncate(m_fd, length) != 0)
        CFileException::ThrowErrno(errno);
    Record(WriteJournal::Kind::setLength, length);
}

void CFile::Flush() {
    if (m_fd < 0)
        throw CFileException(FileCause::invalidFile);
    StrikeFile(FaultInjection::Operation::sync);
    // A file system that cannot sync (EINVAL) keeps nothing back to sync.
    if (syncEnabled && ::fdatasync(m_fd) != 0 && errno != EINVAL)
        CFileException::ThrowErrno(errno);
    if (syncEnabled)
        Record(WriteJournal::Kind::sync, 0);
    m_unsynced = false;
}

void CFile::Record(WriteJournal::Kind kind, std::int64_t offset,
                   std::span<const unsigned char> bytes) const {
    if (!WriteJournal::IsRecording()) [[likely]]
        return;
    WriteJournal::Entry entry;
    entry.kind = kind;
    entry.file = m_inode;
    entry.offset = offset;
    entry.bytes.assign(bytes.begin(), bytes.end());
    WriteJournal::Append(std::move(entry));
}

void CFile::Close() {
    if (m_fd >= 0) {
        int fd = m_fd;
        m_fd = -1;
        m_path.clear();
        m_position = 0;
        m_unsynced = false;
        if (::close(fd) != 0 && errno != EINTR)
            CFileException::ThrowErrno(errno);
    }
}
