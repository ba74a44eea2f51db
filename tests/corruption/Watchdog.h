// CWatchdog: turns a hang into a failure that names its place. While armed with a label,
// an operation that runs longer than the limit ends the process with the label on
// standard error, instead of leaving the test to run until ctest's timeout.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class CWatchdog {
public:
    explicit CWatchdog(std::chrono::seconds limit);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

    // Starts timing what label names; a second Arm restarts the clock.
    void Arm(std::string label);
    void Disarm();

private:
    void Watch();

    std::chrono::seconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_label;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_stop = false;
    std::thread m_thread;
};

// Arms a watchdog for the lifetime of the object.
class CWatchedStep {
public:
    CWatchedStep(CWatchdog& watchdog, std::string label) : m_watchdog(watchdog) {
        m_watchdog.Arm(std::move(label));
    }
    ~CWatchedStep() { m_watchdog.Disarm(); }
    CWatchedStep(const CWatchedStep&) = delete;
    CWatchedStep& operator=(const CWatchedStep&) = delete;

private:
    CWatchdog& m_watchdog;
};
