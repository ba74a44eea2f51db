#include "app/WindowTitle.h"

namespace {
constexpr int searchResultMode = 2;
}

std::string FormatTitle(const std::string& mainPath, const std::string& name, int listMode,
                        const std::string& key, bool readOnly) {
    std::string shown = name;
    if (listMode == searchResultMode)
        shown += " [" + key + "]";
    return "Picdex - " + mainPath + (readOnly ? " (read only)" : "") + "(" +
           (shown.empty() ? std::string("-") : shown) + ")";
}
