// What a path names, the entries of a folder, folders made on demand, and whether a stream
// is a terminal: the file-system questions the layers above ask, answered here so that
// every system call sits in this layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PathKind {
    missing, // no such entry (ENOENT, ENOTDIR)
    regular, // a regular file
    folder,  // a folder
    other,   // a device, pipe, socket (or, not following links, a symbolic link)
    unknown  // the entry could not be looked at (no permission, I/O error)
};

struct PathInfo {
    PathKind kind = PathKind::missing;
    std::int64_t size = 0; // bytes of a regular file, else 0
};

// What path names: stat(2) when followLinks, else lstat(2), so a dangling link exists
// only when links are not followed.
PathInfo GetPathInfo(std::string_view path, bool followLinks = true);

// True when an entry exists at path and can be looked at.
inline bool PathExists(std::string_view path, bool followLinks = true) {
    const PathKind kind = GetPathInfo(path, followLinks).kind;
    return kind != PathKind::missing && kind != PathKind::unknown;
}

// One entry of a folder: its name and what it names, following links.
struct FolderEntry {
    std::string name;
    PathInfo info;
};

// The entries of folder ("." and ".." left out) in the order the system gives them. False
// when the folder cannot be opened; a read error part way ends the list early.
bool ListFolder(std::string_view folder, std::vector<FolderEntry>& entries);

// Makes folder and its missing parents; true when the folder exists afterwards.
bool MakeFolders(std::string_view folder);

// True when the calling process may create files in folder (access(2) with W_OK).
bool CanWriteInFolder(std::string_view folder);

// True when standard error is a terminal (progress that redraws one line is shown there).
bool IsErrorStreamTerminal();
