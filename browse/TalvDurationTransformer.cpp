#include "browse/TalvDurationTransformer.h"

#include <fmt/format.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <optional>

namespace talv {
namespace {

// The integer a number or a numeric text stands for: leading blanks, an optional sign and the
// digits up to the first other character; none for other values.
std::optional<std::int64_t> integerValue(const Value& value) {
    if (const std::string* text = value.asText()) {
        std::size_t i = 0;
        while (i < text->size() && std::isspace(static_cast<unsigned char>((*text)[i]))) ++i;
        bool negative = i < text->size() && (*text)[i] == '-';
        if (i < text->size() && ((*text)[i] == '-' || (*text)[i] == '+')) ++i;
        std::int64_t n = 0;
        constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10 - 9;
        for (; i < text->size() && std::isdigit(static_cast<unsigned char>((*text)[i])) && n < limit; ++i) {
            n = n * 10 + ((*text)[i] - '0');
        }
        return negative ? -n : n;
    }
    if (const double* real = value.asReal()) {
        if (!std::isfinite(*real) || std::fabs(*real) > 9.2e18) return 0;
        return static_cast<std::int64_t>(*real);
    }
    if (value.asInteger() || value.asBool()) return value.integerOr(0);
    return std::nullopt;
}

}  // namespace

std::string TalvDurationTransformer::durationString(std::int64_t seconds) {
    std::int64_t minutes = seconds / 60, hours = 0;
    if (minutes > 59) {
        hours = minutes / 60;
        minutes %= 60;
    }
    return fmt::format("{:02d}:{:02d}:{:02d}", hours, minutes, seconds % 60);
}

std::string TalvDurationTransformer::transformedValue(const Value& value) const {
    return durationString(integerValue(value).value_or(0));
}

}  // namespace talv
