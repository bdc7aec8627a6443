#pragma once
// The time format of "%time%": the user's time format with the AM/PM marker and the seconds
// dropped on request. The user's format is the locale's (LC_TIME) time format.
#include <string>
#include <string_view>

namespace talv {

// The locale's time format with the composite conversions "%r", "%T", "%R" and "%X" spelled out.
std::string userTimeFormat();

// The user's format reduced as asked. Served from a cache of four slots shared by the whole
// process and dropped whenever the user's format changes. Thread-safe.
std::string localizedDateFormatStringShowingSeconds(bool showSeconds, bool showAMorPM);

// The same, from a given user format (the cache is filled from and checked against it).
std::string localizedDateFormatStringShowingSeconds(bool showSeconds, bool showAMorPM, const std::string& userFormat);

// The reduction itself: without AM/PM every " %p" goes; without seconds, every occurrence of
// the character before the last "%S" followed by "%S" goes.
std::string deriveTimeFormat(std::string_view userFormat, bool showSeconds, bool showAMorPM);

}  // namespace talv
