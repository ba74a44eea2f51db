// CChildProcess: one run of a program as a separate process whose standard output comes
// back through a pipe line by line, so that a test can watch what the program reports,
// stop it with SIGKILL at a moment of its choosing and collect every line the program
// wrote before it died. Standard error goes to a file; standard input is /dev/null.
//
// A traced child stops at every system call, so that a test can stop it right before a
// chosen change to a file: the kill then lands at an exact point of its writing, the same
// on every run. (LeakSanitizer cannot work in a traced process, so a traced child runs
// with leak detection off.)
//
// Every wait is bounded: a program that neither writes nor ends within the deadline
// counts as hung, and the destructor kills and reaps a child still running.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class CChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts program with args (argv[0] is program itself); stderr is written to
    // stderrPath. False when the pipe or the process cannot be made.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::string& stderrPath, bool traced = false);

    // Whether this machine lets a test trace a child's system calls.
    static bool CanTrace();
    // Lets a traced child run until it is about to make (the call has not run yet) the
    // changes-th change to a file after its outputs-th write to standard output began; a
    // change is a write to a descriptor other than standard output and error, a sync, a
    // truncation, a rename or a removal. outputs 0 counts from the start. The child is left
    // stopped there; false when it ended first, or the deadline passed (TimedOut()).
    bool RunToChange(int outputs, int changes, Clock::time_point deadline);
    // The changes RunToChange counted (after the outputs-th write), the one it stopped
    // before included.
    int ChangesSeen() const { return m_changesSeen; }

    // The next whole line of standard output without its line break; std::nullopt at the
    // end of the output, or when deadline passes first (then TimedOut() is true).
    std::optional<std::string> ReadLine(Clock::time_point deadline);

    // Sends SIGKILL (nothing when the child has already been reaped).
    void Kill();
    // Waits until the child has ended, up to deadline, reaps it and reads the rest of its
    // output. True when it ended in time.
    bool Wait(Clock::time_point deadline);

    // After Wait: whether SIGKILL ended the child, and its exit status otherwise (-1 when
    // another signal ended it).
    bool WasKilled() const { return m_killedBySignal; }
    int ExitStatus() const { return m_exitStatus; }
    bool TimedOut() const { return m_timedOut; }
    // Lines that arrived but were not yet taken by ReadLine, in order.
    std::vector<std::string> TakeRemainingLines();

    // When Start was called.
    Clock::time_point StartTime() const { return m_start; }

private:
    enum class Fill { data, end, timeout };
    // Reads what the pipe holds, waiting up to deadline for at least one byte.
    Fill FillBuffer(Clock::time_point deadline);
    // Waits for the traced child's next stop; false (the child reaped) when it ended instead.
    bool WaitForStop(int& status);
    void Reap(int status);

    // For a traced child, stopped at an entry or exit of a system call: its number and
    // first argument. False when the child ended (then reaped) or on a wait error.
    bool NextSyscallStop(bool& entry, long& number, long& firstArgument);

    pid_t m_pid = -1;
    bool m_inSyscall = false; // a traced child's last stop was at a system call's entry
    int m_changesSeen = 0;
    int m_out = -1;
    std::string m_buffer;
    bool m_eof = false;
    bool m_timedOut = false;
    bool m_killedBySignal = false;
    int m_exitStatus = -1;
    Clock::time_point m_start;
};
