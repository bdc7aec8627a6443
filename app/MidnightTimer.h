#pragma once
// Keeps the date ranges current: a one-shot timer for 00:00:01 of the next local day, replaced
// at every recharge. A recharge on another day of the month than the last one (the computer
// slept, or the timer could not fire) runs the midnight work at once. Main thread only.
#include "platform/CalendarDate.h"
#include "platform/RunLoop.h"

#include <functional>
#include <optional>

namespace talv {

class MidnightTimer {
public:
    using Clock = std::function<Date()>;

    // `midnight` is the work of a new day; `clock` tells the time (tests set it).
    explicit MidnightTimer(std::function<void()> midnight, Clock clock = &Date::now);

    // Called at the end of start-up, on activation, on wake and after every midnight.
    void rechargeMidnightTimer();
    // The timer's action: the midnight work, then a recharge.
    void midnightTimer();

    // The pending timer's fire date; none before the first recharge.
    std::optional<Date> fireDate() const { return timer_.fireDate(); }

    // 00:00:01 of the calendar day after `now`, in the local zone.
    static Date nextFireDate(const CalendarDate& now);

private:
    std::function<void()> midnight_;
    Clock clock_;
    std::optional<CalendarDate> lastRecharge_;
    Timer timer_;
};

}  // namespace talv
