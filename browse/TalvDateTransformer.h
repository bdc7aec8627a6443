#pragma once
// A chat's start date in the user's short date-and-time format: the user default
// "NSShortTimeDateFormatString" when it holds a text, else the locale's date format with hours
// and minutes where the locale has one, else "%1m/%e/%y %1I:%M %p" ("12/6/06 3:05 PM").
#include "platform/CalendarDate.h"

#include <string>

namespace talv {

class TalvDateTransformer {
public:
    std::string transformedValue(const CalendarDate& date) const;
    // The calendar format in use now.
    static std::string shortDateTimeFormat();
};

}  // namespace talv
