#include "browse/DurationInWords.h"

#include "platform/Strings.h"

#include <fmt/format.h>

namespace talv {

// The amounts are computed in single precision and the singular word is chosen only for exactly
// 1.0, so that 90000 seconds read "1.0 days".
std::string durationInWords(std::int64_t seconds) {
    std::int64_t minutes = seconds / 60, hours = 0;
    if (minutes > 59) {
        hours = minutes / 60;
        minutes %= 60;
    }
    if (seconds >= 86400) {
        float days = static_cast<float>(seconds) / 86400.0f;
        return fmt::format("{:.1f} {}", days, days == 1.0f ? tr("day") : tr("days"));
    }
    if (hours >= 1) {
        float x = static_cast<float>(seconds) / 3600.0f;
        return fmt::format("{:.1f} {}", x, x == 1.0f ? tr("hour") : tr("hours"));
    }
    std::int64_t rest = seconds % 60;
    return fmt::format("{} {}, {} {}", minutes, minutes == 1 ? tr("minute") : tr("minutes"), rest,
                       rest == 1 ? tr("second") : tr("seconds"));
}

}  // namespace talv
