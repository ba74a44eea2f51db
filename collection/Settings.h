// ISettings: the program's per-user settings as the commands read and write them, by
// section and key ("Options", "CreatePath", ...). The Qt application keeps them in its
// settings store; picdex-cli and the tests use CMemorySettings, which forgets them at exit.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

class ISettings {
public:
    virtual ~ISettings() = default;
    // The value of key in section; defaultValue when it was never written.
    virtual std::string GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) = 0;
    virtual void WriteProfileString(std::string_view section, std::string_view key,
                                    std::string_view value) = 0;
};

// Whole-number settings, kept as text: the number stored under section/key is its leading
// decimal digits with an optional sign (saturated to int); defaultValue when nothing is
// stored, 0 when the stored text does not start with a number.
int GetProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                  int defaultValue);
void WriteProfileInt(ISettings& settings, std::string_view section, std::string_view key,
                     int value);

// "Force256" of section "Options": true when pictures are shown reduced to 256 colours.
// The one reader of the setting, for the view and the Options dialog alike: off (true
// colour) when nothing is stored, else whether the stored number is nonzero.
bool GetForce256(ISettings& settings);

// Settings held in memory for the life of the object.
class CMemorySettings : public ISettings {
public:
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) override {
        auto found = m_values.find({std::string(section), std::string(key)});
        return found == m_values.end() ? std::string(defaultValue) : found->second;
    }
    void WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value) override {
        m_values[{std::string(section), std::string(key)}] = std::string(value);
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};
