// The main window's title from the open database and the current record.
#pragma once

#include <string>

// "Picdex - <mainPath>(<name>)", or "Picdex - <mainPath>(-)" when there is no name. While a
// search result is shown (listMode 2) the current entry's key follows the name as
// " [<key>]". A database open read-only has " (read only)" after its path.
std::string FormatTitle(const std::string& mainPath, const std::string& name, int listMode,
                        const std::string& key, bool readOnly = false);
