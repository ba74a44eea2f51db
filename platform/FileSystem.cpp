#include "platform/FileSystem.h"

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/WriteJournal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

bool HasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

// Wildcard match ignoring ASCII letter case; "*" and "?" as on the original system.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || FoldChar(pattern[p]) == FoldChar(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*")
        return true;
    return WildcardMatch(pattern, name);
}

// The first directory entry of path's folder that matches its last component, as a full path.
bool FindFirst(std::string_view path, std::string& found) {
    std::string text(path);
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    std::string name = GetFileName(text);
    std::string folder = GetFolder(text);
    if (!HasWildcard(name)) {
        struct stat st {};
        if (::stat(text.c_str(), &st) == 0) {
            found = text;
            return true;
        }
        if (name.empty())
            return false;
    }
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool matched = false;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == "..")
            continue;
        bool hit =
            HasWildcard(name) ? MatchesPattern(name, entryName) : EqualsFolded(name, entryName);
        if (hit) {
            found = folder + std::string(entryName);
            matched = true;
            break;
        }
    }
    ::closedir(dir);
    return matched;
}

// The nearest existing folder of path (path itself when it is one).
std::string NearestExistingFolder(std::string_view path) {
    std::string text(path);
    if (text.empty())
        return ".";
    struct stat st {};
    while (!text.empty()) {
        if (::stat(text.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return text;
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        std::size_t slash = text.rfind('/');
        if (slash == std::string::npos)
            return ".";
        text.resize(slash == 0 ? 1 : slash);
    }
    return ".";
}

// Counts one operation with the fault-injection switch; true (with errno set to the
// injected error) when it must fail.
bool StrikeFails(FaultInjection::Operation operation) {
    FaultInjection::Fault fault{};
    if (!FaultInjection::Strike(operation, fault)) [[likely]]
        return false;
    errno = fault == FaultInjection::Fault::noSpace ? ENOSPC : EIO;
    return true;
}

void RecordNameChange(WriteJournal::Kind kind, const std::string& path,
                      const std::string& target = {}) {
    if (!WriteJournal::IsRecording()) [[likely]]
        return;
    WriteJournal::Entry entry;
    entry.kind = kind;
    entry.path = path;
    entry.target = target;
    WriteJournal::Append(std::move(entry));
}

bool ReadSysFlag(const std::string& file) {
    std::ifstream in(file);
    int value = 0;
    return in >> value && value == 1;
}

} // namespace

bool MatchesFilePattern(std::string_view pattern, std::string_view name) {
    return MatchesPattern(pattern, name);
}

bool FileExists(std::string_view path) {
    std::string found;
    return FindFirst(path, found);
}

std::int64_t GetFileSize(std::string_view path) {
    std::string found;
    if (!FindFirst(path, found))
        return 0;
    struct stat st {};
    if (::stat(found.c_str(), &st) != 0)
        return 0;
    return st.st_size;
}

std::string ResolveCaseInsensitive(std::string_view path) {
    std::string text(path);
    struct stat st {};
    if (::stat(text.c_str(), &st) == 0)
        return text;
    std::string name = GetFileName(text);
    if (name.empty() || HasWildcard(name))
        return text;
    std::string found;
    if (FindFirst(text, found))
        return found;
    return text;
}

bool CheckFreeSpace(std::string_view path, std::uint64_t bytes) {
    if (path.size() >= 2 && path[0] == '/' && path[1] == '/')
        return true;
    std::string folder = NearestExistingFolder(path);
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0)
        return false;
    // Both factors fit in 64 bits; their product could only overflow beyond 16 EiB.
    unsigned __int128 freeBytes =
        static_cast<unsigned __int128>(vfs.f_bavail) * static_cast<unsigned __int128>(vfs.f_frsize);
    return freeBytes >= bytes;
}

bool IsRemovableDrive(std::string_view path) {
    std::string folder = NearestExistingFolder(path);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved))
        return false;
    std::string real = resolved;

    // The mount holding the path: the longest mount point that is a prefix of it.
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line, bestPoint, bestType, bestDevice;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        std::size_t dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type;
        tail >> type;
        bool prefix = real == point || point == "/" ||
                      (real.compare(0, point.size(), point) == 0 && real.size() > point.size() &&
                       real[point.size()] == '/');
        if (prefix && point.size() >= bestPoint.size()) {
            bestPoint = point;
            bestType = type;
            bestDevice = device;
        }
    }
    if (bestType == "iso9660" || bestType == "udf")
        return true;
    struct stat st {};
    if (::stat(real.c_str(), &st) != 0 || major(st.st_dev) == 0)
        return false;
    std::string sysDevice = "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" +
                            std::to_string(minor(st.st_dev));
    // A partition reports through its disk, the folder above it.
    return ReadSysFlag(sysDevice + "/removable") || ReadSysFlag(sysDevice + "/../removable");
}

std::int32_t CurrentTime32() {
    return static_cast<std::int32_t>(std::time(nullptr));
}

bool GetFileModTime(std::string_view path, std::int32_t& seconds) {
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0)
        return false;
    seconds = static_cast<std::int32_t>(st.st_mtime);
    return true;
}

FileStamp GetFileStamp(std::string_view path) {
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0)
        return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool SetFileModTime(std::string_view path, std::int32_t seconds) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, std::string(path).c_str(), times, 0) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (StrikeFails(FaultInjection::Operation::rename))
        return false;
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    RecordNameChange(WriteJournal::Kind::rename, from, to);
    return true;
}

bool SyncFolder(const std::string& folder) {
    if (StrikeFails(FaultInjection::Operation::sync))
        return false;
    if (!CFile::IsSyncEnabled())
        return true;
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = ::fsync(fd) == 0;
    int err = errno;
    ::close(fd);
    errno = err;
    if (synced)
        RecordNameChange(WriteJournal::Kind::syncFolder, folder.empty() ? "." : folder);
    return synced;
}

bool UnlinkFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return false;
    RecordNameChange(WriteJournal::Kind::unlink, path);
    return true;
}
