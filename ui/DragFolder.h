// The folder that pictures dragged out of the view are written to, and its clean-up. A
// copy must outlive the drag, since the drop target may read it later, so copies stay
// until a view is destroyed a day or more after they were written.
#pragma once

#include <cstdint>
#include <string>

// The temporary folder followed by "PDX/".
std::string DragFolderPath();

// Deletes every file in folder (ending in "/") whose last-write time plus one day
// (86,400 seconds) lies before now (seconds since 1970); younger files and sub-folders
// stay. Returns the number of files deleted; 0 when the folder does not exist.
int RemoveOldDragFiles(const std::string& folder, std::int64_t now);
