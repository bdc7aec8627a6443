#pragma once
// A compiled PCRE2 pattern over UTF-8 text, case-insensitive and optionally dot-all.
// "\w", "\d" and "\b" are ASCII classes and boundaries; "\p{..}" classes are Unicode.
// Compiled once in the constructor; the const operations may be called from any thread at once
// (each call has its own match data). Offsets are byte offsets into the UTF-8 text given.
// Text that is not valid UTF-8, or a match that exceeds PCRE2's backtracking limit, never matches.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

struct pcre2_real_code_8;

namespace talv {

struct RegexRange {
    std::size_t location = 0;
    std::size_t length = 0;

    std::size_t end() const { return location + length; }
    std::string_view in(std::string_view text) const { return text.substr(location, length); }
    bool operator==(const RegexRange&) const = default;
};

// One match: group 0 is the whole match; a group that took no part is absent.
class RegexMatch {
public:
    explicit RegexMatch(std::vector<std::optional<RegexRange>> groups) : groups_(std::move(groups)) {}

    RegexRange range() const { return *groups_.front(); }
    std::size_t groupCount() const { return groups_.size(); }  // including group 0
    std::optional<RegexRange> group(std::size_t index) const;
    // The text of a group, empty when it took no part. `text` is the text that was searched.
    std::string_view str(std::string_view text, std::size_t index = 0) const;
    bool operator==(const RegexMatch&) const = default;

private:
    std::vector<std::optional<RegexRange>> groups_;
};

class Regex {
public:
    enum Options : unsigned { None = 0, DotAll = 1 };

    // A pattern that does not compile is logged and gives an object that never matches.
    explicit Regex(std::string_view pattern, Options options = None);
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;

    bool isValid() const { return code_ != nullptr; }

    // The first match in `text`, or none.
    std::optional<RegexMatch> find(std::string_view text) const;
    // The first match lying wholly inside `range` of `text`: the text before the range still
    // counts for look-behind and "\b", the end of the range acts as the end of the text.
    std::optional<RegexMatch> find(std::string_view text, RegexRange range) const;
    // Every non-overlapping match, in text order. The text is checked for UTF-8 once, not once
    // per match, so that many matches in a long text stay linear.
    std::vector<RegexMatch> findAll(std::string_view text) const;
    bool matches(std::string_view text) const { return find(text).has_value(); }
    // The match that starts exactly at `position`; the whole text counts for look-around.
    // REQUIRES: isValidUtf8(text), not checked again, and `position` starts a character.
    std::optional<RegexMatch> matchAt(std::string_view text, std::size_t position) const;

    // UTF-8 as the searches take it (NUL bytes allowed).
    static bool isValidUtf8(std::string_view text);

private:
    struct CodeDeleter {
        void operator()(pcre2_real_code_8* code) const;
    };
    // `text` ends where the search must end; the search starts at byte `start`. `options` are
    // PCRE2's match options.
    std::optional<RegexMatch> findFrom(std::string_view text, std::size_t start, std::uint32_t options = 0) const;

    std::unique_ptr<pcre2_real_code_8, CodeDeleter> code_;
};

}  // namespace talv
