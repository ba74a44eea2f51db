#include "ui/DragFolder.h"

#include "platform/FileSystem.h"
#include "platform/TempFile.h"

#include <filesystem>
#include <system_error>

namespace {
constexpr std::int64_t oneDay = 86400;
}

std::string DragFolderPath() {
    return TemporaryFolder() + "PDX/";
}

int RemoveOldDragFiles(const std::string& folder, std::int64_t now) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return 0;
    int removed = 0;
    for (const std::filesystem::directory_entry& entry : entries) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError))
            continue;
        const std::string path = entry.path().string();
        std::int32_t written = 0;
        if (GetFileModTime(path, written) && std::int64_t{written} + oneDay < now &&
            UnlinkFile(path))
            ++removed;
    }
    return removed;
}
