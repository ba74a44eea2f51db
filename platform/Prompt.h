// The prompt interface: how the core shows a message (OK) or asks a question (Yes/No)
// without opening a window. The Qt application, picdex-cli and the tests each install
// their own; until one is installed messages go to standard error and questions are No.
#pragma once

#include <string_view>

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // A message with an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
    // A question with Yes and No; true means Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
};

// Installs prompt as the process-wide prompt (nullptr restores the default); returns the
// one it replaces. The caller keeps ownership.
IPrompt* SetPrompt(IPrompt* prompt);

void ShowMessage(std::string_view text);
bool AskYesNo(std::string_view text);

// Installs a prompt for the lifetime of the object.
class CScopedPrompt {
public:
    explicit CScopedPrompt(IPrompt& prompt) : m_previous(SetPrompt(&prompt)) {}
    ~CScopedPrompt() { SetPrompt(m_previous); }
    CScopedPrompt(const CScopedPrompt&) = delete;
    CScopedPrompt& operator=(const CScopedPrompt&) = delete;

private:
    IPrompt* m_previous;
};
