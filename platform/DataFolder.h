// Where the programs find the files they read at run time.
#pragma once

#include <string>

// The folder of the run-time files (the user manual, the default picture), with a trailing
// "/": PREFIX/share/picdex/ found from the program's own folder PREFIX/bin/, so an install
// under any prefix works; when that folder does not exist (a run from the build tree), the
// source tree's data/picdex/.
std::string DataFolder();

// The user's own folder of the program: $XDG_DATA_HOME (an absolute path), else
// ~/.local/share, else /tmp, followed by "Orvane/Picdex/". It keeps the default database
// when the program's folder cannot be written, and the wallpaper picture. Not created here.
std::string UserDataFolder();
