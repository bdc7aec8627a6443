#include "cli/ProgressPrinter.h"

#include <fmt/format.h>
#include <unistd.h>

#include <string>

namespace talv::cli {

namespace {
constexpr int kBarWidth = 30;
}

ProgressPrinter::ProgressPrinter(std::FILE* out) : out_(out), terminal_(isatty(fileno(out)) != 0) {}

ProgressPrinter::~ProgressPrinter() { finish(); }

void ProgressPrinter::helperNotificationScan(const Value& record) {
    if (!progress_.apply(record).shown) return;
    if (!terminal_) {
        fmt::print(out_, "{}\n", progress_.text());
        return;
    }
    const int filled = static_cast<int>(progress_.percent() * kBarWidth / 100.0);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    fmt::print(out_, "\r\033[K[{}] {:3.0f}% {}", bar, progress_.percent(), progress_.text());
    std::fflush(out_);
    lineOpen_ = true;
}

void ProgressPrinter::finish() {
    if (!lineOpen_) return;
    fmt::print(out_, "\n");
    lineOpen_ = false;
}

}  // namespace talv::cli
