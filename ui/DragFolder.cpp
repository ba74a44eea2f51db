#include "ui/DragFolder.h"

#include "platform/FileSystem.h"
#include "platform/PathInfo.h"
#include "platform/TempFile.h"

#include <vector>

namespace {
constexpr std::int64_t oneDay = 86400;
}

std::string DragFolderPath() {
    return TemporaryFolder() + "PDX/";
}

int RemoveOldDragFiles(const std::string& folder, std::int64_t now) {
    std::vector<FolderEntry> entries;
    if (!ListFolder(folder, entries))
        return 0;
    int removed = 0;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    for (const FolderEntry& entry : entries) {
        if (entry.info.kind != PathKind::regular)
            continue;
        const std::string path = prefix + entry.name;
        std::int32_t written = 0;
        if (GetFileModTime(path, written) && std::int64_t{written} + oneDay < now &&
            UnlinkFile(path))
            ++removed;
    }
    return removed;
}
