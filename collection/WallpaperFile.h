// The wallpaper picture: the document's current picture written as a BMP file that the
// desktop is then told to show. One fixed file, "Picdex Wallpaper.BMP" in the user's data
// folder (UserDataFolder()), overwritten each time.
#pragma once

#include <string>

class CPicdexDoc;

// The wallpaper file's full path.
std::string WallpaperPath();

// Writes doc's current picture to WallpaperPath(), creating the folder. The new picture
// replaces the old file in one rename, so the desktop never reads half a file. Returns the
// path, or "" when there is no current picture or the file could not be written (the old
// file is then left as it was).
std::string WriteWallpaperPicture(CPicdexDoc& doc);
