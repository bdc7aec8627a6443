#include "platform/Regex.h"

#include "platform/Log.h"

#include <glib.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace talv {
namespace {

struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

std::string errorText(int code) {
    PCRE2_UCHAR buffer[256];
    int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    return length < 0 ? "unknown error" : std::string(reinterpret_cast<const char*>(buffer), length);
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::optional<RegexRange> RegexMatch::group(std::size_t index) const {
    return index < groups_.size() ? groups_[index] : std::nullopt;
}

std::string_view RegexMatch::str(std::string_view text, std::size_t index) const {
    auto range = group(index);
    return range ? range->in(text) : std::string_view();
}

void Regex::CodeDeleter::operator()(pcre2_real_code_8* code) const { pcre2_code_free(code); }

// UCP stays off: in UTF mode "\p{..}" is Unicode-aware without it, and "\w", "\d", "\b" stay ASCII.
Regex::Regex(std::string_view pattern, Options options) {
    uint32_t flags = PCRE2_UTF | PCRE2_CASELESS;
    if (options & DotAll) flags |= PCRE2_DOTALL;
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags, &error,
                              &offset, nullptr));
    if (!code_) logf("Regex: cannot compile pattern at offset {}: {}", offset, errorText(error));
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

bool Regex::isValidUtf8(std::string_view text) {
    // GLib refuses NUL bytes, which UTF-8 allows: each stretch between them is checked on its own.
    while (!text.empty()) {
        const char* end = nullptr;
        if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end)) return true;
        if (end == text.data() + text.size() || *end != '\0') return false;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    }
    return true;
}

std::optional<RegexMatch> Regex::findFrom(std::string_view text, std::size_t start, std::uint32_t options) const {
    if (!code_ || start > text.size()) return std::nullopt;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code_.get(), nullptr));
    if (!data) return std::nullopt;
    int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, options,
                         data.get(), nullptr);
    // No match, invalid UTF-8 and an exhausted backtracking limit all count as "no match".
    if (rc <= 0) return std::nullopt;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    uint32_t count = pcre2_get_ovector_count(data.get());
    std::vector<std::optional<RegexRange>> groups(count);
    for (uint32_t i = 0; i < count; ++i) {
        PCRE2_SIZE begin = ovector[2 * i], end = ovector[2 * i + 1];
        if (begin != PCRE2_UNSET && end >= begin) groups[i] = RegexRange{begin, end - begin};
    }
    return RegexMatch(std::move(groups));
}

std::optional<RegexMatch> Regex::find(std::string_view text) const { return findFrom(text, 0); }

std::optional<RegexMatch> Regex::find(std::string_view text, RegexRange range) const {
    if (range.location > text.size()) return std::nullopt;
    return findFrom(text.substr(0, std::min(range.end(), text.size())), range.location);
}

std::optional<RegexMatch> Regex::matchAt(std::string_view text, std::size_t position) const {
    return findFrom(text, position, PCRE2_ANCHORED | PCRE2_NO_UTF_CHECK);
}

std::vector<RegexMatch> Regex::findAll(std::string_view text) const {
    std::vector<RegexMatch> matches;
    if (!isValidUtf8(text)) return matches;
    std::size_t start = 0;
    while (auto match = findFrom(text, start, PCRE2_NO_UTF_CHECK)) {
        RegexRange range = match->range();
        matches.push_back(std::move(*match));
        start = range.end();
        if (range.length == 0) {
            // Step over one whole character so that an empty match cannot repeat.
            if (start >= text.size()) break;
            ++start;
            while (start < text.size() && isUtf8Continuation(text[start])) ++start;
        }
    }
    return matches;
}

}  // namespace talv
