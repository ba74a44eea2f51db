#include "platform/TempFile.h"

#include "platform/File.h"
#include "platform/Path.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>
#include <vector>

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/')
        path.push_back('/');
    return path;
}

std::string CreateTemporaryFile(std::string_view prefix) {
    std::string pattern = TemporaryFolder() + std::string(prefix) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return std::string(name.data());
}

std::string CopyToTemporaryFile(CFile& source, std::string_view prefix) {
    constexpr std::size_t piece = 32768;
    std::string path = CreateTemporaryFile(prefix);
    if (path.empty())
        return path;
    CFile copy;
    bool copied = copy.Open(path, CFile::modeWrite | CFile::modeCreate);
    try {
        std::int64_t remaining = copied ? source.GetLength() : 0;
        std::vector<std::uint8_t> buffer(copied ? piece : 0);
        if (copied)
            source.SeekToBegin();
        while (remaining > 0) {
            const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(remaining, piece));
            const std::size_t n = source.Read(buffer.data(), wanted);
            copy.Write(buffer.data(), n);
            if (n < wanted)
                break;
            remaining -= static_cast<std::int64_t>(n);
        }
        copy.Close();
    } catch (const CFileException&) {
        copied = false;
    } catch (const std::bad_alloc&) {
        copied = false;
    }
    if (!copied) {
        std::remove(path.c_str());
        path.clear();
    }
    return path;
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    return GetFolder(std::string_view(path, static_cast<std::size_t>(length)));
}
