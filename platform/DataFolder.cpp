#include "platform/DataFolder.h"

#include "platform/TempFile.h"

#include <filesystem>
#include <system_error>

std::string DataFolder() {
    const std::string program = ProgramFolder();
    if (!program.empty()) {
        const std::filesystem::path installed =
            (std::filesystem::path(program) / "../share/picdex/").lexically_normal();
        std::error_code ignored;
        if (std::filesystem::is_directory(installed, ignored))
            return installed.string();
    }
    return PICDEX_SOURCE_DATA_FOLDER;
}
