// CCliPasswordDialog: answers the database's password question from the command line.
// The first question gets the text of --password (an empty entry when none was given);
// every later one is cancelled, so a wrong or missing password ends the open after one
// "Invalid password." instead of asking forever.
#pragma once

#include "collection/PasswordCheck.h"
#include "storage/Password.h"

#include <optional>
#include <string>

class CCliPasswordDialog : public IPasswordDialog {
public:
    explicit CCliPasswordDialog(std::optional<std::string> password)
        : m_password(std::move(password)) {}

    bool AskPassword(std::string& entered) override;

private:
    std::optional<std::string> m_password;
    bool m_asked = false;
};
