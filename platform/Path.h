// Path functions on "/"-separated paths. A path splits into folder (up to and including
// the last "/"), name and extension (from the last "." of the last component on).
#pragma once

#include <string>
#include <string_view>

// folder + name: the extension and its dot removed.
std::string StripExtension(std::string_view path);
// folder + name + ext; ext brings its own dot, or none.
std::string ReplaceExtension(std::string_view path, std::string_view ext);
// The folder with its trailing "/"; empty for a bare name.
std::string GetFolder(std::string_view path);
// The extension with its dot, letters A-Z in upper case; empty when there is none.
std::string GetExtensionUpper(std::string_view path);
// True when the path's extension equals ext, compared in upper case.
bool HasExtension(std::string_view path, std::string_view ext);
// Name and extension: the last component.
std::string GetFileName(std::string_view path);
