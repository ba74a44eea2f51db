#include "crash/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <thread>

#include <elf.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

timespec Remaining(CChildProcess::Clock::time_point deadline) {
    const auto left = deadline - CChildProcess::Clock::now();
    const auto ns = std::max<std::int64_t>(
        0, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count());
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

bool IsFileWrite(long number) {
    return number == SYS_write || number == SYS_pwrite64 || number == SYS_writev ||
           number == SYS_pwritev;
}

// A system call that changes a file's content, length or name; fd is its first argument.
bool IsFileChange(long number, long fd) {
    if (IsFileWrite(number) || number == SYS_fdatasync || number == SYS_fsync ||
        number == SYS_ftruncate)
        return fd > 2;
    return number == SYS_renameat || number == SYS_renameat2 || number == SYS_unlinkat
#if defined(SYS_rename) && defined(SYS_unlink)
           || number == SYS_rename || number == SYS_unlink
#endif
        ;
}

} // namespace

CChildProcess::~CChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (m_out >= 0)
        ::close(m_out);
}

bool CChildProcess::CanTrace() {
#if defined(__x86_64__) || defined(__aarch64__)
    static const bool allowed = [] {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0 ? 0 : 1);
        int status = 0;
        while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }();
    return allowed;
#else
    return false;
#endif
}

bool CChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                          const std::string& stderrPath, bool traced) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    // Everything the child needs is prepared before the fork: after it, only
    // async-signal-safe calls may run.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        if (!std::string_view(*variable).starts_with("ASAN_OPTIONS="))
            environment.emplace_back(*variable);
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    // The last setting of an option wins.
    environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                          (traced ? ":detect_leaks=0" : ""));
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    m_start = Clock::now();
    const pid_t pid = err >= 0 && in >= 0 ? ::fork() : -1;
    if (pid == 0) {
        if (::dup2(pipeEnds[1], 1) < 0 || ::dup2(err, 2) < 0 || ::dup2(in, 0) < 0)
            ::_exit(126);
        if (traced && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(125);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (err >= 0)
        ::close(err);
    if (in >= 0)
        ::close(in);
    if (pid < 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    m_pid = pid;
    m_out = pipeEnds[0];
    if (!traced)
        return true;
    // A traced child stops when its new program starts.
    int status = 0;
    if (!WaitForStop(status))
        return false;
    return ::ptrace(PTRACE_SETOPTIONS, m_pid, nullptr,
                    PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL | PTRACE_O_TRACEEXEC) == 0;
}

bool CChildProcess::NextSyscallStop(bool& entry, long& number, long& firstArgument) {
    int signal = 0;
    while (m_pid > 0) {
        if (::ptrace(PTRACE_SYSCALL, m_pid, nullptr, signal) != 0)
            return false;
        int status = 0;
        if (!WaitForStop(status))
            return false;
        const int stop = WSTOPSIG(status);
        if (stop != (SIGTRAP | 0x80)) {
            // A signal for the child goes on to it; the stops of ptrace events carry none.
            signal = stop == SIGTRAP || (status >> 16) != 0 ? 0 : stop;
            continue;
        }
        entry = !m_inSyscall;
        m_inSyscall = entry;
#if defined(__x86_64__)
        user_regs_struct registers{};
        if (::ptrace(PTRACE_GETREGS, m_pid, nullptr, &registers) != 0)
            return false;
        number = static_cast<long>(registers.orig_rax);
        firstArgument = static_cast<long>(registers.rdi);
#elif defined(__aarch64__)
        user_pt_regs registers{};
        iovec vector{&registers, sizeof registers};
        if (::ptrace(PTRACE_GETREGSET, m_pid, NT_PRSTATUS, &vector) != 0)
            return false;
        number = static_cast<long>(registers.regs[8]);
        firstArgument = static_cast<long>(registers.regs[0]);
#else
        number = firstArgument = -1;
#endif
        return true;
    }
    return false;
}

bool CChildProcess::RunToChange(int outputs, int changes, Clock::time_point deadline) {
    int outputsSeen = 0;
    m_changesSeen = 0;
    while (Clock::now() < deadline) {
        bool entry = false;
        long number = 0, fd = 0;
        if (!NextSyscallStop(entry, number, fd))
            return false;
        if (!entry)
            continue;
        if (IsFileWrite(number) && fd == 1) {
            ++outputsSeen;
        } else if (outputsSeen >= outputs && IsFileChange(number, fd) &&
                   ++m_changesSeen >= changes) {
            return true;
        }
    }
    m_timedOut = true;
    return false;
}

CChildProcess::Fill CChildProcess::FillBuffer(Clock::time_point deadline) {
    if (m_eof || m_out < 0)
        return Fill::end;
    pollfd watch{m_out, POLLIN, 0};
    const timespec wait = Remaining(deadline);
    const int ready = ::ppoll(&watch, 1, &wait, nullptr);
    if (ready < 0)
        return errno == EINTR ? Fill::data : Fill::end;
    if (ready == 0)
        return Fill::timeout;
    char chunk[4096];
    const ssize_t got = ::read(m_out, chunk, sizeof chunk);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN ? Fill::data : Fill::end;
    if (got == 0) {
        m_eof = true;
        return Fill::end;
    }
    m_buffer.append(chunk, static_cast<std::size_t>(got));
    return Fill::data;
}

std::optional<std::string> CChildProcess::ReadLine(Clock::time_point deadline) {
    for (;;) {
        const std::size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        const Fill filled = FillBuffer(deadline);
        if (filled == Fill::timeout)
            m_timedOut = true;
        if (filled != Fill::data)
            return std::nullopt;
    }
}

void CChildProcess::Kill() {
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

bool CChildProcess::WaitForStop(int& status) {
    while (::waitpid(m_pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    if (!WIFSTOPPED(status)) {
        Reap(status);
        return false;
    }
    return true;
}

void CChildProcess::Reap(int status) {
    m_pid = -1;
    m_killedBySignal = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CChildProcess::Wait(Clock::time_point deadline) {
    while (m_pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            Reap(status);
            break;
        }
        if (done < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline) {
            m_timedOut = true;
            ::kill(m_pid, SIGKILL);
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
            Reap(status);
            return false;
        }
        // Keep the pipe drained so that a child writing much is never blocked by us.
        if (FillBuffer(std::min(deadline, Clock::now() + std::chrono::milliseconds(2))) ==
            Fill::end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The child is gone, so the pipe ends once its buffered lines are read.
    while (FillBuffer(Clock::now() + std::chrono::seconds(5)) == Fill::data) {
    }
    return true;
}

std::vector<std::string> CChildProcess::TakeRemainingLines() {
    std::vector<std::string> lines;
    std::size_t end;
    while ((end = m_buffer.find('\n')) != std::string::npos) {
        lines.push_back(m_buffer.substr(0, end));
        m_buffer.erase(0, end + 1);
    }
    return lines;
}
