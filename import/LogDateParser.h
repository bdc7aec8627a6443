#pragma once
// The loose date reading of the Adium HTML and Fire log readers (the strict one is
// CalendarDate::dateWithString). Pure functions of the text and the process's
// local time zone (TZ); thread-safe. Every failure is an absent date, never an exception.
#include "platform/Date.h"

#include <optional>
#include <string_view>

namespace talv {

class LogDateParser {
public:
    // The loose reader: "YYYY-MM-DD H:MM:SS", optionally "AM"/"PM", optionally an offset
    // ("+HHMM", "+HH:MM" or "Z"); the date and time may be joined by "T" and the seconds may carry
    // a fraction. Without an offset the time is local. Anything else is rejected.
    static std::optional<Date> naturalLanguageDate(std::string_view text);
};

}  // namespace talv
