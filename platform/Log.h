#pragma once
// Plain log lines to the system log and, when asked, echoed: to standard error when
// TALV_LOG_STDERR is set, or wherever setLogEcho directs them. Thread-safe. Tests install a
// LogCapture to read the lines.
#include <fmt/format.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

void logLine(std::string_view line);

// Receives every log line after the system log, one at a time (calls never overlap), on the
// logging thread.
using LogEcho = std::function<void(std::string_view line)>;
// Replaces the echo; none stops echoing.
void setLogEcho(LogEcho echo);
// Whether an echo is set.
bool logEchoes();
// Writes the line and a line break to standard error: the echo of TALV_LOG_STDERR.
void echoToStandardError(std::string_view line);

template <typename... Args>
void logf(fmt::format_string<Args...> format, Args&&... args) {
    logLine(fmt::format(format, std::forward<Args>(args)...));
}

// While alive, every logged line is also appended to lines(). Captures nest; the newest wins.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(std::string_view fragment) const;
    void clear();

private:
    friend void logLine(std::string_view);
    void append(std::string_view line);

    mutable std::mutex mutex_;
    std::vector<std::string> lines_;  // guarded by mutex_
    LogCapture* previous_;
};

}  // namespace talv
