// The decisions of start-up that need no window: which database opens first, where the
// default database lives, and what the command line asks for.
#pragma once

#include "collection/Settings.h"

#include <QStringList>

#include <string>

// The database opened at the first idle moment: "File1" of the recent-file list, unless it
// lies on a removable disk or CD-ROM or names no existing file; then defaultPath.
std::string ChooseInitialDatabase(ISettings& settings, const std::string& defaultPath);

// The database beside the program (its path followed by ".PXM") when the program's folder
// is writable; else "Picdex.PXM" in the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share, then "Orvane/Picdex/"), which is created. programPath is the running
// executable.
std::string DefaultDatabasePath(const std::string& programPath);

// The command line after the program name: nothing, or one database path. Returns false with
// a usage text in error for more arguments or an option.
bool ParseCommandLine(const QStringList& arguments, std::string& path, std::string& error);
