#include "platform/Prompt.h"

#include <cstdio>

namespace {
class CStderrPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view text) override {
        std::fprintf(stderr, "%.*s [No]\n", static_cast<int>(text.size()), text.data());
        return false;
    }
};

CStderrPrompt g_defaultPrompt;
IPrompt* g_prompt = &g_defaultPrompt;
} // namespace

IPrompt* SetPrompt(IPrompt* prompt) {
    IPrompt* previous = g_prompt;
    g_prompt = prompt ? prompt : &g_defaultPrompt;
    return previous == &g_defaultPrompt ? nullptr : previous;
}

void ShowMessage(std::string_view text) {
    g_prompt->ShowMessage(text);
}
bool AskYesNo(std::string_view text) {
    return g_prompt->AskYesNo(text);
}
