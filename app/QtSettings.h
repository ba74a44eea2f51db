// CQtSettings: the program's per-user settings in the user's configuration folder, under
// organisation "Orvane" and application "Picdex". A section is a settings group and a key a
// value in it, so the names stay exactly as the program uses them ("Options", "Recent File
// List", ...). Every write reaches the file at once.
#pragma once

#include "collection/Settings.h"

#include <QSettings>

class CQtSettings : public ISettings {
public:
    CQtSettings();

    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) override;
    void WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value) override;

private:
    QSettings m_store;
};
