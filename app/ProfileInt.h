// Whole-number settings on top of ISettings, which keeps every value as text.
#pragma once

#include "collection/Settings.h"

#include <string_view>

// The number stored under section/key: its leading decimal digits with an optional sign;
// defaultValue when nothing is stored, 0 when the stored text does not start with a number.
int GetProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                  int defaultValue);
void WriteProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                     int value);
