#include "platform/TempFile.h"

#include "platform/Path.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/')
        path.push_back('/');
    return path;
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    return GetFolder(std::string_view(path, static_cast<std::size_t>(length)));
}
