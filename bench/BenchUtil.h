// Helpers shared by the benchmark programs: a stopwatch, a scratch folder that removes
// itself, checked parsing of command-line options, order statistics of timings, whole-file
// reads and writes and the removal of a scratch database.
#pragma once

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

// Wall-clock time since construction or the last Restart, from the monotonic clock.
class CStopwatch {
public:
    CStopwatch() : m_start(Clock::now()) {}
    void Restart() { m_start = Clock::now(); }
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }
    double Micros() const { return Seconds() * 1e6; }
    double Millis() const { return Seconds() * 1e3; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
};

// A fresh folder "picdex-bench-XXXXXX" under parent ($TMPDIR, else /tmp, when parent is
// empty). Everything in it is removed with it when the object goes; the benchmarks write
// nothing elsewhere.
class CTempFolder {
public:
    explicit CTempFolder(std::string parent = {}) {
        if (parent.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            parent = tmp && *tmp ? tmp : "/tmp";
        }
        while (parent.size() > 1 && parent.back() == '/')
            parent.pop_back();
        std::string pattern = parent + "/picdex-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()))
            m_path = name.data();
    }
    ~CTempFolder() {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    // The folder without its trailing "/".
    const std::string& Path() const { return m_path; }
    std::string Child(std::string_view name) const { return m_path + "/" + std::string(name); }

private:
    std::string m_path;
};

// Parses a whole decimal number within [low, high]; false for anything else.
inline bool ParseInteger(std::string_view text, std::int64_t low, std::int64_t high,
                         std::int64_t& value) {
    std::int64_t parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

// Walks the arguments after the program name as "--name value" pairs and hands each pair
// to handle(name, value), which returns false for an unknown option or a bad value. False
// when it does, or when the last option lacks its value.
template <typename Handler> bool ParseOptionPairs(int argc, char** argv, Handler&& handle) {
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        if (i + 1 >= argc)
            return false;
        std::string_view value = argv[++i];
        if (!handle(option, value))
            return false;
    }
    return true;
}

// The value below which the share p (0 to 1) of the samples lie (nearest rank); 0 when empty.
inline double Percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(samples.size())));
    rank = std::clamp<std::size_t>(rank, 1, samples.size());
    return samples[rank - 1];
}

inline double Median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1)
        return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2;
}

// Processor time this process has used, user and system, in seconds.
inline double ProcessCpuSeconds() {
    timespec time{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

// The one-minute load average, -1 when unknown; printed so that a busy machine shows.
inline double LoadAverage() {
    double load[1];
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

constexpr double bytesPerMegabyte = 1024.0 * 1024.0;

// printf into a string, for figures and labels (at most 199 characters).
std::string Format(const char* format, auto... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Minor page faults of the process so far: first touches of memory newly mapped.
inline long MinorFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

inline bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

inline bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Removes the two files of a scratch database at base, in either spelling of the extensions.
inline void RemoveDatabase(const std::string& base) {
    for (const char* ext : {".PXM", ".PXI", ".pxm", ".pxi"}) {
        std::error_code ignored;
        std::filesystem::remove(base + ext, ignored);
    }
}
