#include "corruption/Watchdog.h"

#include <cstdio>
#include <cstdlib>

CWatchdog::CWatchdog(std::chrono::seconds limit) : m_limit(limit), m_thread([this] { Watch(); }) {}

CWatchdog::~CWatchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CWatchdog::Arm(std::string label) {
    {
        std::lock_guard lock(m_mutex);
        m_label = std::move(label);
        m_deadline = std::chrono::steady_clock::now() + m_limit;
        m_armed = true;
    }
    m_changed.notify_all();
}

void CWatchdog::Disarm() {
    std::lock_guard lock(m_mutex);
    m_armed = false;
}

void CWatchdog::Watch() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (!m_armed) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = m_deadline;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_armed &&
            m_deadline == deadline) {
            std::fprintf(stderr, "HANG: %s did not finish within %lld s\n", m_label.c_str(),
                         static_cast<long long>(m_limit.count()));
            std::fflush(stderr);
            std::abort();
        }
    }
}
