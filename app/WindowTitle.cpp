#include "app/WindowTitle.h"

namespace {
constexpr int searchResultMode = 2;
}

std::string FormatTitle(const std::string& mainPath, const std::string& name, int listMode,
                        const std::string& key) {
    std::string shown = name;
    if (listMode == searchResultMode)
        shown += " [" + key + "]";
    return "Picdex - " + mainPath + "(" + (shown.empty() ? std::string("-") : shown) + ")";
}
