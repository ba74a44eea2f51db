#include "collection/Settings.h"

#include <cstdint>
#include <limits>
#include <string>

namespace {
// A text that could never be written as a setting: tells "not stored" from any value.
constexpr std::string_view absentMarker = "\x01";

int ParseLeadingInt(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        // Saturate instead of overflowing on a damaged or hand-edited store.
        if (value > std::numeric_limits<int>::max())
            value = std::int64_t(std::numeric_limits<int>::max()) + 1;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}
} // namespace

int GetProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                  int defaultValue) {
    const std::string text = settings.GetProfileString(section, key, absentMarker);
    if (text == absentMarker)
        return defaultValue;
    return ParseLeadingInt(text);
}

bool GetForce256(ISettings& settings) {
    return GetProfileInt(settings, "Options", "Force256", 0) != 0;
}

void WriteProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                     int value) {
    settings.WriteProfileString(section, key, std::to_string(value));
}
