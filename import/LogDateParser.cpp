#include "import/LogDateParser.h"

#include "platform/Regex.h"

#include <glib.h>

#include <charconv>
#include <memory>
#include <string>

namespace talv {
namespace {

struct DateTimeDeleter {
    void operator()(GDateTime* d) const { g_date_time_unref(d); }
};
struct TimeZoneDeleter {
    void operator()(GTimeZone* z) const { g_time_zone_unref(z); }
};

int number(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

struct Fields {
    int year, month, day, hour, minute;
    double second;
    std::optional<int> offsetSeconds;  // absent: the local zone
};

std::optional<Date> toDate(const Fields& f) {
    std::unique_ptr<GTimeZone, TimeZoneDeleter> zone(
        f.offsetSeconds ? g_time_zone_new_offset(*f.offsetSeconds) : g_time_zone_new_local());
    if (!zone) return std::nullopt;
    std::unique_ptr<GDateTime, DateTimeDeleter> dt(
        g_date_time_new(zone.get(), f.year, f.month, f.day, f.hour, f.minute, f.second));
    if (!dt) return std::nullopt;
    return Date{static_cast<double>(g_date_time_to_unix(dt.get())) +
                g_date_time_get_microsecond(dt.get()) / 1e6};
}

int signedOffset(std::string_view sign, std::string_view hours, std::string_view minutes) {
    int seconds = number(hours) * 3600 + number(minutes) * 60;
    return sign == "-" ? -seconds : seconds;
}

}  // namespace

std::optional<Date> LogDateParser::naturalLanguageDate(std::string_view text) {
    static const Regex pattern(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+|T)(\d{1,2}):(\d{2}):(\d{2}(?:\.\d+)?))"
        R"(\s*(?:([ap])\.?m\.?)?\s*(?:(z)|([+-])(\d{2}):?(\d{2}))?\s*$)");
    auto m = pattern.find(text);
    if (!m) return std::nullopt;
    Fields f{number(m->str(text, 1)), number(m->str(text, 2)), number(m->str(text, 3)),
             number(m->str(text, 4)), number(m->str(text, 5)), g_ascii_strtod(std::string(m->str(text, 6)).c_str(), nullptr),
             std::nullopt};
    if (m->group(7)) {
        if (f.hour < 1 || f.hour > 12) return std::nullopt;
        bool pm = g_ascii_tolower(m->str(text, 7)[0]) == 'p';
        f.hour = f.hour % 12 + (pm ? 12 : 0);
    }
    if (m->group(8)) f.offsetSeconds = 0;
    else if (m->group(9)) f.offsetSeconds = signedOffset(m->str(text, 9), m->str(text, 10), m->str(text, 11));
    return toDate(f);
}

}  // namespace talv
