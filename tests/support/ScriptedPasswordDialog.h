// The password question answered from a script: each entry is what the user types,
// std::nullopt for Cancel. Asking beyond the script cancels.
#pragma once

#include "collection/PasswordCheck.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class CScriptedPasswordDialog : public IPasswordDialog {
public:
    explicit CScriptedPasswordDialog(std::vector<std::optional<std::string>> entries = {})
        : m_entries(entries.begin(), entries.end()) {}

    bool AskPassword(std::string& entered) override {
        ++m_askCount;
        if (m_entries.empty())
            return false;
        const std::optional<std::string> entry = m_entries.front();
        m_entries.pop_front();
        if (entry)
            entered = *entry;
        return entry.has_value();
    }
    int AskCount() const { return m_askCount; }

private:
    std::deque<std::optional<std::string>> m_entries;
    int m_askCount = 0;
};
