#include "app/StartupRules.h"

#include "platform/DataFolder.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/PathInfo.h"

std::string ChooseInitialDatabase(ISettings& settings, const std::string& defaultPath) {
    std::string path = settings.GetProfileString("Recent File List", "File1", defaultPath);
    if (!path.empty() && IsRemovableDrive(path))
        path.clear();
    if (!path.empty() && !FileExists(path))
        path.clear();
    if (path.empty())
        path = defaultPath;
    return path;
}

std::string DefaultDatabasePath(const std::string& programPath) {
    const std::string folder = GetFolder(programPath);
    if (!programPath.empty() && !folder.empty() && CanWriteInFolder(folder))
        return programPath + ".PXM";

    const std::string dataFolder = UserDataFolder();
    // A folder that cannot be made shows up when the database is opened there.
    MakeFolders(dataFolder);
    return dataFolder + "Picdex.PXM";
}

bool ParseCommandLine(const QStringList& arguments, std::string& path, std::string& error) {
    path.clear();
    error.clear();
    if (arguments.size() > 1 ||
        (arguments.size() == 1 && arguments.front().startsWith(QLatin1Char('-')))) {
        error = "Usage: picdex [database.PXM]";
        return false;
    }
    if (!arguments.isEmpty())
        path = arguments.front().toStdString();
    return true;
}
