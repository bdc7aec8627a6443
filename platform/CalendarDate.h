#pragma once
// An instant bound to a time zone, giving its calendar fields: the local zone (re-read from TZ
// each time one is made) or a named zone ("UTC", "Europe/Berlin", "+05:30"). Immutable;
// copies share the underlying GDateTime. Thread-safe. A wall-clock time that the zone skips
// (a daylight-saving gap) stands for the first instant after the gap; a repeated one for its
// later occurrence.
//
// Calendar formats: %Y year, %y year in two digits, %m %d %H %I %M %S two digits, %1m %1d %1H
// %1I and %e without a leading zero, %p AM/PM, %j day of the year in three digits, %F
// milliseconds in three digits, %b %B month name (short, full), %a %A weekday name (short,
// full), %Z zone abbreviation, %z offset as +hhmm, %% a percent sign. Names come from the
// process locale (LC_TIME); AM/PM fall back to "AM"/"PM" where the locale has none. Other
// "%x" sequences are copied unchanged.
#include "platform/Date.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct _GDateTime;

namespace talv {

class CalendarDate {
public:
    // The default format of dateWithString(text).
    static constexpr std::string_view kDefaultFormat = "%Y-%m-%d %H:%M:%S %z";

    explicit CalendarDate(Date date);
    // An empty or unknown zone identifier means the local zone.
    CalendarDate(Date date, std::string_view zoneIdentifier);
    static CalendarDate now();

    // Reads text written in a fixed calendar format: literal characters match exactly;
    // numbers take one digit up to their width; names match case-insensitively in English
    // or in the locale. The local zone applies unless the text carries %z (or a zone
    // identifier for %Z). Fields not in the format default to 2001-01-01 00:00:00. None when
    // the text does not match, has text left over or names a day that does not exist.
    static std::optional<CalendarDate> dateWithString(std::string_view text, std::string_view calendarFormat);
    static std::optional<CalendarDate> dateWithString(std::string_view text) {
        return dateWithString(text, kDefaultFormat);
    }

    // A wall-clock time in the local zone, or at `offsetSeconds` east of UTC; none for a day or
    // time that does not exist.
    static std::optional<CalendarDate> fromFields(int year, int month, int day, int hour, int minute, double second,
                                                  std::optional<int> offsetSeconds = std::nullopt);

    Date date() const;
    int yearOfCommonEra() const;
    int monthOfYear() const;      // 1-12
    int dayOfMonth() const;       // 1-31
    int dayOfWeek() const;        // 0 Sunday - 6 Saturday
    int dayOfYear() const;        // 1-366
    int hourOfDay() const;        // 0-23
    int minuteOfHour() const;
    int secondOfMinute() const;
    int utcOffsetSeconds() const;  // east of UTC positive
    std::string timeZoneAbbreviation() const;

    // Calendar arithmetic on the wall clock of the date's zone: years and months first (the
    // day kept, or the month's last day when it has fewer days), then days, hours, minutes
    // and seconds as wall-clock time.
    CalendarDate dateByAddingYears(int years, int months, int days, int hours, int minutes, double seconds) const;

    std::string descriptionWithCalendarFormat(std::string_view calendarFormat) const;

private:
    explicit CalendarDate(std::shared_ptr<_GDateTime> dt) : dt_(std::move(dt)) {}
    std::shared_ptr<_GDateTime> dt_;
};

}  // namespace talv
