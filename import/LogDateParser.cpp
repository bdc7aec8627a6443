#include "import/LogDateParser.h"

#include "platform/CalendarDate.h"
#include "platform/Regex.h"

#include <glib.h>

#include <charconv>
#include <string>

namespace talv {
namespace {

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
    const auto date = CalendarDate::fromFields(f.year, f.month, f.day, f.hour, f.minute, f.second, f.offsetSeconds);
    if (!date) return std::nullopt;
    return date->date();
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
