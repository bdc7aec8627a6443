#include "platform/CalendarDate.h"

#include <glib.h>
#include <langinfo.h>

#include <array>
#include <cmath>
#include <cstdlib>

namespace talv {
namespace {

constexpr gint64 kMicrosPerDay = G_GINT64_CONSTANT(86400000000);

struct ZoneDeleter {
    void operator()(GTimeZone* z) const { g_time_zone_unref(z); }
};
using ZonePtr = std::unique_ptr<GTimeZone, ZoneDeleter>;

std::shared_ptr<GDateTime> own(GDateTime* dt) { return std::shared_ptr<GDateTime>(dt, g_date_time_unref); }

ZonePtr makeZone(const std::string& identifier, const char* tz) {
    if (!identifier.empty())
        if (GTimeZone* z = g_time_zone_new_identifier(identifier.c_str())) return ZonePtr(z);
    if (tz && *tz)
        if (GTimeZone* z = g_time_zone_new_identifier(tz)) return ZonePtr(z);
    return ZonePtr(g_time_zone_new_local());
}

// The zone named, else TZ's, else the system's. The last zone made is kept per thread for as long
// as the name and TZ stay the same (reading a zone file costs more than the date arithmetic), so a
// changed TZ still takes effect at once.
ZonePtr zoneFor(std::string_view identifier) {
    struct Kept {
        std::string identifier;
        std::string tz;
        ZonePtr zone;
    };
    thread_local Kept kept;
    const char* tz = std::getenv("TZ");
    const std::string_view tzText = tz ? tz : "";
    if (!kept.zone || kept.identifier != identifier || kept.tz != tzText) {
        kept.identifier = std::string(identifier);
        kept.tz = std::string(tzText);
        kept.zone = makeZone(kept.identifier, tz);
    }
    return ZonePtr(g_time_zone_ref(kept.zone.get()));
}

// Instants outside what GDateTime holds (years 1-9999) or not numbers count as the epoch.
std::shared_ptr<GDateTime> dateTimeAt(Date date, GTimeZone* zone) {
    double s = std::isfinite(date.secondsSince1970) ? date.secondsSince1970 : 0;
    double whole = std::floor(s);
    auto micros = static_cast<gint64>(std::llround((s - whole) * 1e6));
    GDateTime* utc = std::fabs(whole) < 3e11 ? g_date_time_new_from_unix_utc(static_cast<gint64>(whole)) : nullptr;
    if (!utc) {
        utc = g_date_time_new_from_unix_utc(0);
        micros = 0;
    }
    auto utcOwned = own(utc);
    auto zoned = own(g_date_time_to_timezone(utc, zone));
    return micros ? own(g_date_time_add(zoned.get(), micros)) : zoned;
}

constexpr std::array<const char*, 12> kMonths = {"January", "February", "March",     "April",   "May",      "June",
                                                 "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

std::string localeText(nl_item item) {
    const char* s = nl_langinfo(item);
    return s ? s : "";
}
std::string monthName(int month, bool abbreviated) { return localeText((abbreviated ? ABMON_1 : MON_1) + month - 1); }
std::string weekdayName(int weekday, bool abbreviated) { return localeText((abbreviated ? ABDAY_1 : DAY_1) + weekday); }
std::string amPm(bool pm) {
    std::string s = localeText(pm ? PM_STR : AM_STR);
    return s.empty() ? (pm ? "PM" : "AM") : s;
}

void appendNumber(std::string& out, long value, int width) {
    std::string digits = std::to_string(std::labs(value));
    if (value < 0) out += '-';
    if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
    out += digits;
}

// Parses a fixed calendar format; see CalendarDate::dateWithString.
class Parser {
public:
    Parser(std::string_view text, std::string_view format) : text_(text), format_(format) {}

    std::shared_ptr<GDateTime> parse() {
        for (size_t i = 0; i < format_.size(); ++i) {
            char c = format_[i];
            if (c != '%' || i + 1 == format_.size()) {
                if (!literal(c)) return nullptr;
                continue;
            }
            char spec = format_[++i];
            if (spec == '1' && i + 1 < format_.size() && std::string_view("mdHI").find(format_[i + 1]) != std::string_view::npos)
                spec = format_[++i];
            if (!field(spec)) return nullptr;
        }
        if (pos_ != text_.size()) return nullptr;
        return build();
    }

private:
    bool literal(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    std::optional<int> number(int maxDigits) {
        size_t start = pos_;
        int value = 0;
        while (pos_ < text_.size() && pos_ - start < static_cast<size_t>(maxDigits) && g_ascii_isdigit(text_[pos_]))
            value = value * 10 + (text_[pos_++] - '0');
        if (pos_ == start) return std::nullopt;
        return value;
    }

    bool matchWord(const std::string& word) {
        if (word.empty() || text_.size() - pos_ < word.size()) return false;
        if (g_ascii_strncasecmp(text_.data() + pos_, word.data(), word.size()) != 0) return false;
        pos_ += word.size();
        return true;
    }

    // The longest of the names of index 0..count-1 (English or locale, full or short) that
    // the text continues with.
    template <typename Names>
    std::optional<int> name(int count, Names names) {
        int best = -1;
        size_t bestLength = 0;
        for (int k = 0; k < count; ++k) {
            for (const std::string& candidate : names(k)) {
                size_t saved = pos_;
                if (candidate.size() > bestLength && matchWord(candidate)) {
                    best = k;
                    bestLength = candidate.size();
                }
                pos_ = saved;
            }
        }
        if (best < 0) return std::nullopt;
        pos_ += bestLength;
        return best;
    }

    bool field(char spec) {
        std::optional<int> n;
        switch (spec) {
        case 'Y': return (n = number(4)) && (year_ = *n, true);
        case 'y': return (n = number(2)) && (year_ = *n + (*n < 69 ? 2000 : 1900), true);
        case 'm': return (n = number(2)) && (month_ = *n, true);
        case 'd':
        case 'e': return (n = number(2)) && (day_ = *n, dayGiven_ = true, true);
        case 'H': return (n = number(2)) && (hour_ = *n, twelveHour_ = false, true);
        case 'I': return (n = number(2)) && (hour_ = *n, twelveHour_ = true, true);
        case 'M': return (n = number(2)) && (minute_ = *n, true);
        case 'S': return (n = number(2)) && (second_ = *n, true);
        case 'F': {
            size_t start = pos_;
            if (!(n = number(3))) return false;
            millis_ = *n;
            for (size_t digits = pos_ - start; digits < 3; ++digits) millis_ *= 10;
            return true;
        }
        case 'j': return (n = number(3)) && (dayOfYear_ = *n, true);
        case 'p':
            if (matchWord(amPm(true)) || matchWord("PM")) return pm_ = true, true;
            if (matchWord(amPm(false)) || matchWord("AM")) return pm_ = false, true;
            return false;
        case 'b':
        case 'B':
            return (n = name(12, [](int k) {
                        std::string english = kMonths[k];
                        return std::array<std::string, 4>{english, english.substr(0, 3), monthName(k + 1, false),
                                                          monthName(k + 1, true)};
                    })) && (month_ = *n + 1, true);
        case 'a':
        case 'A':
            return static_cast<bool>(name(7, [](int k) {
                std::string english = kWeekdays[k];
                return std::array<std::string, 4>{english, english.substr(0, 3), weekdayName(k, false),
                                                  weekdayName(k, true)};
            }));
        case 'z': return offset();
        case 'Z': return zoneIdentifier();
        case '%': return literal('%');
        default: return literal('%') && literal(spec);
        }
    }

    bool offset() {
        if (pos_ >= text_.size() || (text_[pos_] != '+' && text_[pos_] != '-')) return false;
        int sign = text_[pos_++] == '-' ? -1 : 1;
        size_t start = pos_;
        auto hours = number(2);
        if (!hours || pos_ - start != 2) return false;
        if (pos_ < text_.size() && text_[pos_] == ':') ++pos_;
        start = pos_;
        auto minutes = number(2);
        if (!minutes || pos_ - start != 2 || *minutes > 59) return false;
        offsetSeconds_ = sign * (*hours * 3600 + *minutes * 60);
        return true;
    }

    bool zoneIdentifier() {
        size_t start = pos_;
        while (pos_ < text_.size() && (g_ascii_isalnum(text_[pos_]) || std::string_view("/_+-:").find(text_[pos_]) != std::string_view::npos))
            ++pos_;
        if (pos_ == start) return false;
        GTimeZone* z = g_time_zone_new_identifier(std::string(text_.substr(start, pos_ - start)).c_str());
        if (!z) return false;
        zone_ = ZonePtr(z);
        return true;
    }

    std::shared_ptr<GDateTime> build() {
        int hour = hour_;
        if (twelveHour_) {
            if (hour < 1 || hour > 12) return nullptr;
            hour = hour % 12 + (pm_.value_or(false) ? 12 : 0);
        }
        if (month_ < 1 || month_ > 12 || hour > 23 || minute_ > 59 || second_ > 59 || year_ < 1) return nullptr;
        ZonePtr zone = offsetSeconds_ ? ZonePtr(g_time_zone_new_offset(*offsetSeconds_))
                       : zone_        ? std::move(zone_)
                                      : zoneFor({});
        GDateTime* dt = nullptr;
        if (dayOfYear_ && !dayGiven_) {
            if (*dayOfYear_ < 1 || *dayOfYear_ > (g_date_is_leap_year(year_) ? 366 : 365)) return nullptr;
            auto first = own(g_date_time_new(zone.get(), year_, 1, 1, hour, minute_, second_ + millis_ / 1000.0));
            if (first) dt = g_date_time_add_days(first.get(), *dayOfYear_ - 1);
        } else {
            dt = g_date_time_new(zone.get(), year_, month_, day_, hour, minute_, second_ + millis_ / 1000.0);
        }
        return dt ? own(dt) : nullptr;
    }

    std::string_view text_;
    std::string_view format_;
    size_t pos_ = 0;
    int year_ = 2001, month_ = 1, day_ = 1, hour_ = 0, minute_ = 0, second_ = 0, millis_ = 0;
    bool twelveHour_ = false;
    bool dayGiven_ = false;
    std::optional<bool> pm_;
    std::optional<int> dayOfYear_;
    std::optional<int> offsetSeconds_;
    ZonePtr zone_;
};

}  // namespace

CalendarDate::CalendarDate(Date date) : CalendarDate(date, {}) {}

CalendarDate::CalendarDate(Date date, std::string_view zoneIdentifier) : dt_(dateTimeAt(date, zoneFor(zoneIdentifier).get())) {}

CalendarDate CalendarDate::now() { return CalendarDate(Date::now()); }

std::optional<CalendarDate> CalendarDate::fromFields(int year, int month, int day, int hour, int minute, double second,
                                                     std::optional<int> offsetSeconds) {
    const ZonePtr zone = offsetSeconds ? ZonePtr(g_time_zone_new_offset(*offsetSeconds)) : zoneFor({});
    GDateTime* dt = zone ? g_date_time_new(zone.get(), year, month, day, hour, minute, second) : nullptr;
    if (!dt) return std::nullopt;
    return CalendarDate(own(dt));
}

std::optional<CalendarDate> CalendarDate::dateWithString(std::string_view text, std::string_view calendarFormat) {
    auto dt = Parser(text, calendarFormat).parse();
    if (!dt) return std::nullopt;
    return CalendarDate(std::move(dt));
}

Date CalendarDate::date() const {
    return {static_cast<double>(g_date_time_to_unix(dt_.get())) + g_date_time_get_microsecond(dt_.get()) / 1e6};
}

int CalendarDate::yearOfCommonEra() const { return g_date_time_get_year(dt_.get()); }
int CalendarDate::monthOfYear() const { return g_date_time_get_month(dt_.get()); }
int CalendarDate::dayOfMonth() const { return g_date_time_get_day_of_month(dt_.get()); }
int CalendarDate::dayOfWeek() const { return g_date_time_get_day_of_week(dt_.get()) % 7; }
int CalendarDate::dayOfYear() const { return g_date_time_get_day_of_year(dt_.get()); }
int CalendarDate::hourOfDay() const { return g_date_time_get_hour(dt_.get()); }
int CalendarDate::minuteOfHour() const { return g_date_time_get_minute(dt_.get()); }
int CalendarDate::secondOfMinute() const { return g_date_time_get_second(dt_.get()); }
int CalendarDate::utcOffsetSeconds() const {
    return static_cast<int>(g_date_time_get_utc_offset(dt_.get()) / G_USEC_PER_SEC);
}
std::string CalendarDate::timeZoneAbbreviation() const { return g_date_time_get_timezone_abbreviation(dt_.get()); }

// GLib adds hours, minutes and seconds as elapsed time; the wall clock is wanted here (the
// next day's 00:00:01 must stay 00:00:01 across a daylight-saving change).
CalendarDate CalendarDate::dateByAddingYears(int years, int months, int days, int hours, int minutes, double seconds) const {
    gint64 monthIndex = static_cast<gint64>(yearOfCommonEra()) * 12 + (monthOfYear() - 1) + gint64{years} * 12 + months;
    auto year = static_cast<int>(monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12);
    auto month = static_cast<int>(monthIndex - gint64{year} * 12 + 1);
    if (year < 1 || year > 9999) return *this;
    int day = std::min<int>(dayOfMonth(), g_date_get_days_in_month(static_cast<GDateMonth>(month), static_cast<GDateYear>(year)));

    gint64 micros = ((gint64{hourOfDay()} + hours) * 3600 + (gint64{minuteOfHour()} + minutes) * 60 + secondOfMinute()) *
                        G_USEC_PER_SEC +
                    g_date_time_get_microsecond(dt_.get()) + std::llround(seconds * 1e6);
    gint64 carryDays = micros >= 0 ? micros / kMicrosPerDay : -((-micros + kMicrosPerDay - 1) / kMicrosPerDay);
    micros -= carryDays * kMicrosPerDay;

    GDate calendar;
    g_date_clear(&calendar, 1);
    g_date_set_dmy(&calendar, static_cast<GDateDay>(day), static_cast<GDateMonth>(month), static_cast<GDateYear>(year));
    gint64 julian = gint64{g_date_get_julian(&calendar)} + days + carryDays;
    if (julian < 1 || julian > G_GINT64_CONSTANT(3652059)) return *this;  // beyond year 9999
    g_date_set_julian(&calendar, static_cast<guint32>(julian));

    auto hour = static_cast<int>(micros / (G_USEC_PER_SEC * gint64{3600}));
    auto minute = static_cast<int>(micros / (G_USEC_PER_SEC * gint64{60}) % 60);
    double second = static_cast<double>(micros % (G_USEC_PER_SEC * gint64{60})) / G_USEC_PER_SEC;
    GDateTime* dt = g_date_time_new(g_date_time_get_timezone(dt_.get()), g_date_get_year(&calendar),
                                    g_date_get_month(&calendar), g_date_get_day(&calendar), hour, minute, second);
    return dt ? CalendarDate(own(dt)) : *this;
}

std::string CalendarDate::descriptionWithCalendarFormat(std::string_view format) const {
    GDateTime* dt = dt_.get();
    std::string out;
    out.reserve(format.size() + 16);
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        char spec = format[++i];
        int width = 2;
        if (spec == '1' && i + 1 < format.size() && std::string_view("mdHI").find(format[i + 1]) != std::string_view::npos) {
            spec = format[++i];
            width = 1;
        }
        int hour12 = g_date_time_get_hour(dt) % 12 == 0 ? 12 : g_date_time_get_hour(dt) % 12;
        switch (spec) {
        case 'Y': appendNumber(out, g_date_time_get_year(dt), 1); break;
        case 'y': appendNumber(out, g_date_time_get_year(dt) % 100, 2); break;
        case 'm': appendNumber(out, g_date_time_get_month(dt), width); break;
        case 'd': appendNumber(out, g_date_time_get_day_of_month(dt), width); break;
        case 'e': appendNumber(out, g_date_time_get_day_of_month(dt), 1); break;
        case 'H': appendNumber(out, g_date_time_get_hour(dt), width); break;
        case 'I': appendNumber(out, hour12, width); break;
        case 'M': appendNumber(out, g_date_time_get_minute(dt), 2); break;
        case 'S': appendNumber(out, g_date_time_get_second(dt), 2); break;
        case 'F': appendNumber(out, g_date_time_get_microsecond(dt) / 1000, 3); break;
        case 'j': appendNumber(out, g_date_time_get_day_of_year(dt), 3); break;
        case 'p': out += amPm(g_date_time_get_hour(dt) >= 12); break;
        case 'b': out += monthName(g_date_time_get_month(dt), true); break;
        case 'B': out += monthName(g_date_time_get_month(dt), false); break;
        case 'a': out += weekdayName(dayOfWeek(), true); break;
        case 'A': out += weekdayName(dayOfWeek(), false); break;
        case 'Z': out += g_date_time_get_timezone_abbreviation(dt); break;
        case 'z': {
            int offset = utcOffsetSeconds();
            out += offset < 0 ? '-' : '+';
            appendNumber(out, std::abs(offset) / 3600 * 100 + std::abs(offset) % 3600 / 60, 4);
            break;
        }
        case '%': out += '%'; break;
        default:
            out += '%';
            out += spec;
        }
    }
    return out;
}

}  // namespace talv
