#include "tools/CliProgressLine.h"

#include "platform/PathInfo.h"

#include <cstdio>

CProgressLine::CProgressLine() : m_terminal(IsErrorStreamTerminal()) {}

CProgressLine::~CProgressLine() {
    Finish();
}

void CProgressLine::Show(std::string_view text) {
    if (!m_terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_shown && now - m_last < std::chrono::milliseconds(100)) {
        m_pending.assign(text);
        return;
    }
    m_last = now;
    Print(text);
}

void CProgressLine::Finish() {
    if (!m_pending.empty())
        Print(m_pending);
    if (m_shown)
        std::fputc('\n', stderr);
    m_shown = false;
}

void CProgressLine::Print(std::string_view text) {
    std::fprintf(stderr, "\r%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    m_shown = true;
    m_pending.clear();
}
