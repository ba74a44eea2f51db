#include "tools/CliPrompt.h"

#include <cstdio>
#include <string>

namespace {
// Line breaks inside a text would split one message over several lines of the log a
// script reads, so they become blanks.
void WriteLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
} // namespace

void CCliPrompt::ShowMessage(std::string_view text) {
    WriteLine(text);
}

bool CCliPrompt::AskYesNo(std::string_view text) {
    WriteLine(text);
    return m_answerYes;
}
