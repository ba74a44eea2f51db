#include "platform/PathInfo.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

PathInfo InfoOf(const struct stat& status) {
    PathInfo info;
    if (S_ISREG(status.st_mode)) {
        info.kind = PathKind::regular;
        info.size = static_cast<std::int64_t>(status.st_size);
    } else if (S_ISDIR(status.st_mode)) {
        info.kind = PathKind::folder;
    } else {
        info.kind = PathKind::other;
    }
    return info;
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

} // namespace

PathInfo GetPathInfo(std::string_view path, bool followLinks) {
    const std::string name(path);
    struct stat status {};
    const int result = followLinks ? stat(name.c_str(), &status) : lstat(name.c_str(), &status);
    if (result == 0)
        return InfoOf(status);
    PathInfo info;
    info.kind = errno == ENOENT || errno == ENOTDIR ? PathKind::missing : PathKind::unknown;
    return info;
}

bool ListFolder(std::string_view folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const std::string name(folder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(name.c_str()));
    if (!dir)
        return false;
    const std::string prefix = name.empty() || name.back() == '/' ? name : name + '/';
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry)
            break;
        const std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        entries.push_back({std::string(entryName), GetPathInfo(prefix + entry->d_name)});
    }
    return true;
}

bool MakeFolders(std::string_view folder) {
    std::string path(folder);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.empty())
        return false;
    if (GetPathInfo(path).kind == PathKind::folder)
        return true;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        MakeFolders(path.substr(0, slash));
    return mkdir(path.c_str(), 0777) == 0 || GetPathInfo(path).kind == PathKind::folder;
}

bool CanWriteInFolder(std::string_view folder) {
    return access(std::string(folder).c_str(), W_OK) == 0;
}

bool IsErrorStreamTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
