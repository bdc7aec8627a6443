#include "app/MidnightTimer.h"

#include <utility>

namespace talv {

MidnightTimer::MidnightTimer(std::function<void()> midnight, Clock clock)
    : midnight_(std::move(midnight)), clock_(std::move(clock)) {}

Date MidnightTimer::nextFireDate(const CalendarDate& now) {
    return now.dateByAddingYears(0, 0, 1, -now.hourOfDay(), -now.minuteOfHour(), 1 - now.secondOfMinute()).date();
}

void MidnightTimer::rechargeMidnightTimer() {
    const CalendarDate now(clock_());
    const std::optional<CalendarDate> last = std::exchange(lastRecharge_, now);
    if (last && last->dayOfMonth() != now.dayOfMonth()) {
        midnightTimer();  // recharges in turn
        return;
    }
    timer_.invalidate();
    timer_ = RunLoop::scheduledTimer(nextFireDate(now), [this] { midnightTimer(); });
}

void MidnightTimer::midnightTimer() {
    midnight_();
    rechargeMidnightTimer();
}

}  // namespace talv
