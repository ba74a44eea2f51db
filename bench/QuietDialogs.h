// The prompt and password dialog of a benchmark that nobody watches: messages are dropped,
// questions answered No, and no password is given.
#pragma once

#include "collection/PasswordCheck.h"
#include "platform/Prompt.h"
#include "storage/Password.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class CQuietPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

// Counts the messages shown (a benchmark that meets one has gone wrong) and keeps the first
// five; questions are answered No. With an echo name, those five also go to stderr at once.
class CCountingPrompt : public IPrompt {
public:
    explicit CCountingPrompt(const char* echo = nullptr) : m_echo(echo) {}
    void ShowMessage(std::string_view text) override {
        ++m_count;
        if (m_texts.size() >= 5)
            return;
        m_texts.emplace_back(text);
        if (m_echo)
            std::fprintf(stderr, "%s: message: %s\n", m_echo, m_texts.back().c_str());
    }
    bool AskYesNo(std::string_view text) override {
        ShowMessage(text);
        return false;
    }
    int Count() const { return m_count; }
    const std::vector<std::string>& Texts() const { return m_texts; }
    void Reset() { m_count = 0, m_texts.clear(); }

private:
    const char* m_echo;
    int m_count = 0;
    std::vector<std::string> m_texts;
};

class CNoPassword : public IPasswordDialog {
public:
    bool AskPassword(std::string&) override { return false; }
};
