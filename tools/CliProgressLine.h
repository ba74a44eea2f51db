// CProgressLine: the tool's progress on standard error, one line rewritten in place, only
// when standard error is a terminal (a script reading it sees nothing). At most ten texts
// a second are printed, so a long run does not spend its time printing; Finish prints the
// last text given, if it was held back, and ends the line.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

class CProgressLine {
public:
    CProgressLine();
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    void Show(std::string_view text);
    void Finish();

private:
    void Print(std::string_view text);

    bool m_terminal;
    bool m_shown = false;
    std::string m_pending;
    std::chrono::steady_clock::time_point m_last;
};
