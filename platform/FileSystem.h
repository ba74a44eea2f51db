// Queries and small operations on the file system: file search with the letter-case rules
// of database names, sizes, free space, drive type, file times, and the renames, removals
// and folder syncs through which files are swapped durably. Renames, removals and folder
// syncs are also told to the write journal (platform/WriteJournal.h) while one records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True when the file search finds at least one match for path: the last component may
// hold "*" and "?" ("*.*" matches every name); letter case is ignored. A folder named
// without its final "/" matches its own entry.
bool FileExists(std::string_view path);

// True when name matches pattern as the file search matches a last component: "*" and
// "?" wildcards, "*.*" every name, letter case ignored.
bool MatchesFilePattern(std::string_view pattern, std::string_view name);

// The size of the first match of path, 0 when there is none.
std::int64_t GetFileSize(std::string_view path);

// The spelling of an existing file whose name equals path's last component ignoring letter
// case (the exact spelling first); path itself when there is no such file.
std::string ResolveCaseInsensitive(std::string_view path);

// True when the disk holding path has at least `bytes` free for the user. Network paths
// ("//" at the start) pass without asking; a path whose disk cannot be asked fails.
bool CheckFreeSpace(std::string_view path, std::uint64_t bytes);

// True when path lies on a CD-ROM or DVD file system or on a removable block device.
bool IsRemovableDrive(std::string_view path);

// Seconds since 1970 as the program stores them (signed 32 bits).
std::int32_t CurrentTime32();

// The file's last-write time in seconds; false when it cannot be read.
bool GetFileModTime(std::string_view path, std::int32_t& seconds);

// What changes with every write to a file: its size and its modification time in
// nanoseconds. Size -1 when the file cannot be looked at.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modified = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp GetFileStamp(std::string_view path);

// Sets the file's modification time only; false on failure.
bool SetFileModTime(std::string_view path, std::int32_t seconds);

// Renames from to to (rename(2)), replacing an existing to atomically. Returns true on
// success; false with errno set. Counted by the fault-injection switch as a rename.
bool RenameFile(const std::string& from, const std::string& to);

// Puts the entries of folder (names created, renamed or removed in it) on stable storage:
// fsync of the folder itself. Returns true on success; false with errno set. Counted by the
// fault-injection switch as a sync.
bool SyncFolder(const std::string& folder);

// Removes the file path (unlink(2)); true on success, false with errno set.
bool UnlinkFile(const std::string& path);
