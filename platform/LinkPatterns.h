#pragma once
// The link and e-mail patterns that decide a chat's link and e-mail flags and the spans the
// renderer makes clickable. Each pattern is compiled once per process, on first use, and may be
// used from any thread. Offsets are UTF-8 byte offsets; text that is not UTF-8 holds no match.
//
// The searches try the patterns only where a match can start (before "://", at "www.", before
// "@") and check the text's UTF-8 once, so that they stay linear in the text: a long word, or a
// long text of many links, never makes them quadratic.
#include "platform/Regex.h"

#include <string_view>
#include <vector>

namespace talv {

// A scheme of at most 32 characters and "://", or "www.", optional user information, a host whose
// last label has 2 to 4 word characters (or "localhost"), an optional port, path and query, ending
// before closing or punctuation characters. The class of user information is written "[\w:-]":
// PCRE2 rejects the range-like "[\w-:]" that older PCRE read as the same three members.
inline constexpr std::string_view kLinkPattern =
    R"((?:[a-zA-Z][a-zA-Z0-9+.-]{0,31}://|www\.))"
    R"((?:[\w:-]+@)?)"
    R"((?:(?:[\p{L}\p{N}-]+\.)+\w{2,4}\.?|localhost))"
    R"((?:\:\d+)?)"
    R"((?:[/?][\p{L}\p{N}$\-_.+!*',=:\|/\\()%@&;#?~]*)*)"
    R"((?=[>}\]):;,.!?'"]|\b))";

inline constexpr std::string_view kEmailPattern = R"([\w.-]+@(?:[\p{L}-]+\.)+[\w]{2,})";

const Regex& linkPattern();
const Regex& emailPattern();

bool containsLink(std::string_view text);
bool containsEmail(std::string_view text);
// Every non-overlapping match, in text order: what the pattern's findAll gives.
std::vector<RegexRange> findLinks(std::string_view text);
std::vector<RegexRange> findEmails(std::string_view text);

}  // namespace talv
