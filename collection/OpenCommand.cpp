#include "collection/OpenCommand.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Prompt.h"

namespace {
constexpr const char* optionsSection = "Options";
constexpr const char* openPathKey = "OpenPath";
} // namespace

bool OpenCommand(ISettings& settings, IOpenFileDialog& dialog, std::string& chosenPath) {
    chosenPath.clear();
    CSaveFileRequest request;
    request.title = "Open Picdex file";
    request.filter = "Picdex|*.PXM||";
    request.defaultExtension = "PXM";
    request.initialFolder = settings.GetProfileString(optionsSection, openPathKey, "");
    // The root "/" keeps its slash; any longer folder is given without it.
    if (request.initialFolder.size() > 1 && request.initialFolder.back() == '/')
        request.initialFolder.pop_back();

    std::string path;
    if (!dialog.AskOpenPath(request, path) || path.empty())
        return false;
    if (!FileExists(path) && !AskYesNo("File not found. Create?"))
        return false;

    std::string folder = GetFolder(path);
    if (!folder.empty() && IsRemovableDrive(folder))
        folder.clear();
    if (!folder.empty())
        settings.WriteProfileString(optionsSection, openPathKey, folder);
    chosenPath = path;
    return true;
}
