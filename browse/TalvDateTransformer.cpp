#include "browse/TalvDateTransformer.h"

#include "platform/UserDefaults.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace talv {
namespace {

constexpr const char* kFallbackFormat = "%1m/%e/%y %1I:%M %p";

// The C and POSIX locales name no user preference; every other locale gives its date format and
// its choice between the 12- and the 24-hour clock.
std::string localeFormat() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0) {
        return {};
    }
    const char* date = nl_langinfo(D_FMT);
    if (!date || !*date) return {};
    const char* am = nl_langinfo(AM_STR);
    return std::string(date) + (am && *am ? " %1I:%M %p" : " %H:%M");
}

}  // namespace

std::string TalvDateTransformer::shortDateTimeFormat() {
    if (auto value = UserDefaults::standard().objectForKey("NSShortTimeDateFormatString")) {
        if (const std::string* text = value->asText()) return *text;
    }
    std::string format = localeFormat();
    return format.empty() ? kFallbackFormat : format;
}

std::string TalvDateTransformer::transformedValue(const CalendarDate& date) const {
    return date.descriptionWithCalendarFormat(shortDateTimeFormat());
}

}  // namespace talv
