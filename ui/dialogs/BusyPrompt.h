// CBusyPrompt: the prompt while a long job shows the wait cursor. The core shows its
// messages and asks its questions as it goes (a record it cannot read, an index it has to
// rebuild first); each goes to the prompt that was installed before, with the normal
// cursor over the box while it is open and the wait cursor back afterwards. Installed for
// the lifetime of the object.
#pragma once

#include "platform/Prompt.h"

class CBusyPrompt : public IPrompt {
public:
    CBusyPrompt();
    ~CBusyPrompt() override;
    CBusyPrompt(const CBusyPrompt&) = delete;
    CBusyPrompt& operator=(const CBusyPrompt&) = delete;

    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;

private:
    IPrompt* m_previous;
};
