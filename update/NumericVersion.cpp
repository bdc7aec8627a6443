#include "update/NumericVersion.h"

#include <cstdlib>
#include <string>

namespace talv::update {
namespace {

constexpr std::uint32_t kDevelopment = 0x20, kAlpha = 0x40, kBeta = 0x60, kFinal = 0x80;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t numericVersion(std::string_view text) {
    if (text.empty() || text.size() > 10) return 0;
    size_t i = 0;
    auto digit = [&] { return i < text.size() && isDigit(text[i]) ? static_cast<std::uint32_t>(text[i++] - '0') : 99u; };

    std::uint32_t major = digit();
    if (major == 99) return 0;
    if (i < text.size() && isDigit(text[i])) major = major * 16 + digit();  // two decimal digits, one per 4 bits
    if (i >= text.size() || text[i++] != '.') return 0;
    std::uint32_t minor = digit();
    if (minor == 99) return 0;
    std::uint32_t patch = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        patch = digit();
        if (patch == 99) return 0;
    }
    std::uint32_t stage = kFinal, revision = 0;
    if (i < text.size()) {
        switch (text[i++]) {
        case 'd': stage = kDevelopment; break;
        case 'a': stage = kAlpha; break;
        case 'b': stage = kBeta; break;
        default: return 0;
        }
        size_t start = i;
        while (i < text.size() && isDigit(text[i]) && i - start < 3) revision = revision * 10 + digit();
        if (i == start || i != text.size() || revision > 255) return 0;
    }
    return major << 24 | minor << 20 | patch << 16 | stage << 8 | revision;
}

std::optional<std::int64_t> integerValue(const Value& value) {
    if (const std::string* text = value.asText()) {
        const char* begin = text->c_str();
        char* end = nullptr;
        long long n = std::strtoll(begin, &end, 10);
        if (end == begin) return std::nullopt;
        return n;
    }
    if (value.asInteger() || value.asReal() || value.asBool()) return value.integerOr(0);
    return std::nullopt;
}

}  // namespace talv::update
