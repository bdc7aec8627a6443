#include "platform/Log.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace talv {
namespace {

std::mutex gCaptureMutex;
LogCapture* gCapture = nullptr;  // guarded by gCaptureMutex

struct EchoState {
    std::mutex mutex;
    LogEcho echo = std::getenv("TALV_LOG_STDERR") ? LogEcho(echoToStandardError) : LogEcho();  // guarded by mutex
};

// Made at first use, so that a line logged during static initialisation finds it.
EchoState& echoState() {
    static EchoState state;
    return state;
}

// Whether the system log takes lines. Without its socket (no journald or syslog daemon, as in a
// container) every syslog() call would try to connect again, which costs more than the line.
bool syslogAvailable() {
    static const bool available = [] {
        if (access("/dev/log", W_OK) != 0) return false;
        openlog("talvessa", LOG_PID, LOG_USER);
        return true;
    }();
    return available;
}

}  // namespace

void logLine(std::string_view line) {
    {
        std::lock_guard lock(gCaptureMutex);
        if (gCapture) gCapture->append(line);
    }
    if (syslogAvailable()) syslog(LOG_NOTICE, "%.*s", static_cast<int>(line.size()), line.data());
    EchoState& echo = echoState();
    std::lock_guard lock(echo.mutex);
    if (echo.echo) echo.echo(line);
}

void setLogEcho(LogEcho echo) {
    EchoState& state = echoState();
    std::lock_guard lock(state.mutex);
    state.echo = std::move(echo);
}

bool logEchoes() {
    EchoState& state = echoState();
    std::lock_guard lock(state.mutex);
    return static_cast<bool>(state.echo);
}

void echoToStandardError(std::string_view line) {
    std::string out(line);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stderr);
}

LogCapture::LogCapture() {
    std::lock_guard lock(gCaptureMutex);
    previous_ = gCapture;
    gCapture = this;
}

LogCapture::~LogCapture() {
    std::lock_guard lock(gCaptureMutex);
    gCapture = previous_;
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(std::string_view fragment) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_)
        if (l.find(fragment) != std::string::npos) return true;
    return false;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void LogCapture::append(std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
}

}  // namespace talv
