#include "platform/LinkPatterns.h"

namespace talv {
namespace {

std::vector<RegexRange> ranges(const Regex& regex, std::string_view text) {
    std::vector<RegexRange> result;
    for (const RegexMatch& match : regex.findAll(text)) result.push_back(match.range());
    return result;
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

bool containsLink(std::string_view text) { return linkPattern().matches(text); }
bool containsEmail(std::string_view text) { return emailPattern().matches(text); }
std::vector<RegexRange> findLinks(std::string_view text) { return ranges(linkPattern(), text); }
std::vector<RegexRange> findEmails(std::string_view text) { return ranges(emailPattern(), text); }

}  // namespace talv
