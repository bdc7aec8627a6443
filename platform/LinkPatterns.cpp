#include "platform/LinkPatterns.h"

#include <glib.h>

#include <optional>

namespace talv {
namespace {

constexpr std::size_t kMaxSchemeLength = 32;
constexpr std::string_view kSchemeEnd = "://";
constexpr std::string_view kWww = "www.";

bool isSchemeCharacter(char c) { return g_ascii_isalnum(c) || c == '+' || c == '.' || c == '-'; }
bool isLocalPartCharacter(char c) { return g_ascii_isalnum(c) || c == '_' || c == '.' || c == '-'; }

// Finds links from left to right. A link starts with "www." or with a scheme that ends at "://",
// so the pattern is tried, anchored, at those places only. The next "://" and "www." found are
// kept, so that a text of many links is scanned once.
class LinkScanner {
public:
    explicit LinkScanner(std::string_view text) : text_(text), scheme_(text.find(kSchemeEnd)), www_(findWww(0)) {}

    // The first link starting at or after `from`; `from` only grows from call to call.
    std::optional<RegexRange> next(std::size_t from) {
        for (;;) {
            if (scheme_ < from) scheme_ = text_.find(kSchemeEnd, from);
            if (www_ < from) www_ = findWww(from);
            if (scheme_ == npos && www_ == npos) return std::nullopt;
            std::size_t first = scheme_;
            if (scheme_ != npos) {
                while (first > from && scheme_ - first < kMaxSchemeLength && isSchemeCharacter(text_[first - 1])) --first;
            }
            if (www_ < first) {
                if (auto match = linkPattern().matchAt(text_, www_)) return match->range();
                from = www_ + 1;
                continue;
            }
            // Each start in the scheme's run, in order; a "www." inside it is tried on the way.
            for (std::size_t at = first; at < scheme_; ++at) {
                if (!g_ascii_isalpha(text_[at])) continue;
                if (auto match = linkPattern().matchAt(text_, at)) return match->range();
            }
            from = scheme_ + 1;
        }
    }

private:
    static constexpr std::size_t npos = std::string_view::npos;

    std::size_t findWww(std::size_t from) const {
        for (std::size_t dot = text_.find('.', from + kWww.size() - 1); dot != npos; dot = text_.find('.', dot + 1)) {
            if (g_ascii_strncasecmp(text_.data() + dot - 3, "www", 3) == 0) return dot - 3;
        }
        return npos;
    }

    std::string_view text_;
    std::size_t scheme_, www_;  // the next "://" and "www." at or after the last `from`, or npos
};

// The first address starting at or after `from`. An address is the run of local-part characters
// before an "@" and a domain after it: one anchored try at each "@" decides for its whole run.
std::optional<RegexRange> nextEmail(std::string_view text, std::size_t from) {
    for (std::size_t at = text.find('@', from); at != std::string_view::npos; at = text.find('@', at + 1)) {
        std::size_t start = at;
        while (start > from && isLocalPartCharacter(text[start - 1])) --start;
        if (start == at) continue;
        if (auto match = emailPattern().matchAt(text, start)) return match->range();
    }
    return std::nullopt;
}

template <typename Next>
std::vector<RegexRange> findEvery(std::string_view text, Next next) {
    std::vector<RegexRange> ranges;
    if (!Regex::isValidUtf8(text)) return ranges;
    for (std::size_t from = 0; auto range = next(from);) {
        ranges.push_back(*range);
        from = range->end();
    }
    return ranges;
}

}  // namespace

const Regex& linkPattern() {
    static const Regex regex(kLinkPattern);
    return regex;
}

const Regex& emailPattern() {
    static const Regex regex(kEmailPattern);
    return regex;
}

bool containsLink(std::string_view text) { return Regex::isValidUtf8(text) && LinkScanner(text).next(0); }
bool containsEmail(std::string_view text) { return Regex::isValidUtf8(text) && nextEmail(text, 0); }

std::vector<RegexRange> findLinks(std::string_view text) {
    LinkScanner scanner(text);
    return findEvery(text, [&](std::size_t from) { return scanner.next(from); });
}

std::vector<RegexRange> findEmails(std::string_view text) {
    return findEvery(text, [&](std::size_t from) { return nextEmail(text, from); });
}

}  // namespace talv
