#pragma once
// An absolute instant: seconds since 1970-01-01 00:00:00 UTC, fractional.
#include <compare>

namespace talv {

// Seconds from 1970-01-01 to 2001-01-01, the reference date of Apple archives.
inline constexpr double kSecondsFrom1970To2001 = 978307200.0;

struct Date {
    double secondsSince1970 = 0;

    static Date now();
    static Date fromReferenceDate(double secondsSince2001) { return {secondsSince2001 + kSecondsFrom1970To2001}; }
    double secondsSinceReferenceDate() const { return secondsSince1970 - kSecondsFrom1970To2001; }
    Date addingSeconds(double s) const { return {secondsSince1970 + s}; }

    auto operator<=>(const Date&) const = default;
};

}  // namespace talv
