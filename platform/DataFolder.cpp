#include "platform/DataFolder.h"

#include "platform/TempFile.h"

#include <cstdlib>
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

std::string UserDataFolder() {
    std::string dataHome;
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dataHome = std::string(home) + "/.local/share";
    else
        dataHome = "/tmp";
    return dataHome + "/Orvane/Picdex/";
}
