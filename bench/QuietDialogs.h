// The prompt and password dialog of a benchmark that nobody watches: messages are dropped,
// questions answered No, and no password is given.
#pragma once

#include "collection/PasswordCheck.h"
#include "platform/Prompt.h"
#include "storage/Password.h"

#include <string>
#include <string_view>

class CQuietPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

class CNoPassword : public IPasswordDialog {
public:
    bool AskPassword(std::string&) override { return false; }
};
