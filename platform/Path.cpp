#include "platform/Path.h"

#include "platform/Text.h"

namespace {
std::size_t NameStart(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Start of the extension (its dot) in the last component, or the path's length.
std::size_t ExtensionStart(std::string_view path) {
    std::size_t start = NameStart(path);
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < start)
        return path.size();
    return dot;
}
} // namespace

std::string StripExtension(std::string_view path) {
    return std::string(path.substr(0, ExtensionStart(path)));
}

std::string ReplaceExtension(std::string_view path, std::string_view ext) {
    return StripExtension(path) + std::string(ext);
}

std::string GetFolder(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string GetExtensionUpper(std::string_view path) {
    return FoldUpper(path.substr(ExtensionStart(path)));
}

bool HasExtension(std::string_view path, std::string_view ext) {
    return GetExtensionUpper(path) == FoldUpper(ext);
}

std::string GetFileName(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}
