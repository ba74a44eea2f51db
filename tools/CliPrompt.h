// CCliPrompt: the prompt picdex-cli installs. Every message and every question goes to
// standard error as one line; questions are answered from the command line: Yes only
// when the global option --yes was given, No otherwise.
#pragma once

#include "platform/Prompt.h"

#include <string_view>

class CCliPrompt : public IPrompt {
public:
    explicit CCliPrompt(bool answerYes) : m_answerYes(answerYes) {}

    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;

private:
    bool m_answerYes;
};
