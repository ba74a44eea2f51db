// The rules a file must pass before it is stored, shared by the Add command and the
// command-line tool's store: what the file is, and whether the database's disk has room
// for it. Each front end words its own refusal.
#pragma once

#include <string>

// Only a regular file is read whole (a device or a pipe may never end), and only one the
// main file could hold: anything larger is refused before it fills memory. A missing file
// counts as readable: the read that follows reports it.
enum class AddSource { readable, unreadable, tooLarge };
AddSource CheckAddSource(const std::string& path);

// The free-space rule: main file, index file and thumbnail grow together, so the disk of
// mainPath must hold three times the size of the file at path.
bool HasRoomToAdd(const std::string& mainPath, const std::string& path);
