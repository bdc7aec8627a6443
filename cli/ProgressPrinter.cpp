#include "cli/ProgressPrinter.h"

#include <fmt/format.h>
#include <unistd.h>

#include <string>

namespace talv::cli {

namespace {
constexpr int kBarWidth = 30;
constexpr std::string_view kClearLine = "\r\033[K";
}  // namespace

ProgressPrinter::ProgressPrinter(std::FILE* out) : out_(out), terminal_(isatty(fileno(out)) != 0) {}

ProgressPrinter::~ProgressPrinter() { finish(); }

void ProgressPrinter::helperNotificationScan(const Value& record) {
    std::lock_guard lock(mutex_);
    const ScanProgress::Change change = progress_.apply(record);
    if (!change.shown) return;
    if (terminal_) drawBar();
    else if (!change.finishedPass.empty()) fmt::print(out_, "{}\n", change.finishedPass);
    std::fflush(out_);
}

void ProgressPrinter::drawBar() {
    const int filled = static_cast<int>(progress_.percent() * kBarWidth / 100.0);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    fmt::print(out_, "{}[{}] {:3.0f}% {}", kClearLine, bar, progress_.percent(), progress_.text());
    lineOpen_ = true;
}

void ProgressPrinter::logLine(std::string_view line) {
    std::lock_guard lock(mutex_);
    if (lineOpen_) fmt::print(out_, "{}", kClearLine);
    fmt::print(out_, "{}\n", line);
    if (lineOpen_) drawBar();
    std::fflush(out_);
}

void ProgressPrinter::finish() {
    std::lock_guard lock(mutex_);
    if (!lineOpen_) return;
    fmt::print(out_, "\n");
    std::fflush(out_);
    lineOpen_ = false;
}

}  // namespace talv::cli
