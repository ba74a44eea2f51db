#include "collection/WallpaperFile.h"

#include "collection/PicdexDoc.h"
#include "imaging/ImageExport.h"
#include "imaging/ImageType.h"
#include "platform/DataFolder.h"
#include "platform/PathInfo.h"

#include <cstdio>
#include <system_error>

std::string WallpaperPath() {
    return UserDataFolder() + "Picdex Wallpaper.BMP";
}

std::string WriteWallpaperPicture(CPicdexDoc& doc) {
    const PxImage* picture = doc.GetCurrentPicture();
    if (!picture || !picture->HasImage())
        return {};
    const std::string path = WallpaperPath();
    MakeFolders(UserDataFolder());
    const std::string partial = path + ".new";
    if (!ExportAs(*picture, imageBmp, partial)) {
        std::remove(partial.c_str());
        return {};
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return {};
    }
    return path;
}
