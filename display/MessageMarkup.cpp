#include "display/MessageMarkup.h"

#include "platform/LinkPatterns.h"
#include "platform/Regex.h"
#include "store/OrvaneExtras.h"

#include <fmt/format.h>
#include <glib.h>

#include <algorithm>
#include <cctype>

namespace talv {
namespace {

std::string anchorID(std::string_view prefix) { return std::string(prefix) + UUIDString().value_or(""); }

bool overlaps(const RegexRange& a, const RegexRange& b) { return a.location < b.end() && b.location < a.end(); }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Only web and file-transfer links become anchors: a "javascript:" or "data:" link would run or
// load in the page when clicked.
bool isSafeLink(std::string_view link) {
    for (std::string_view scheme : {"http://", "https://", "ftp://"})
        if (startsWithIgnoringCase(link, scheme)) return true;
    return startsWithIgnoringCase(link, "www.");
}

// A pattern matching `text` literally.
std::string literalPattern(std::string_view text) {
    std::string pattern;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && !std::isalnum(u)) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

bool isReferenceCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '#'; }

// Longer than any named or numeric character reference; bounds the scans in a long word.
constexpr std::size_t kLongestReference = 40;

// Whether `position` lies after the "&" and before the ";" of a character reference.
bool insideCharacterReference(std::string_view text, std::size_t position) {
    const std::size_t first = position > kLongestReference ? position - kLongestReference : 0;
    std::size_t start = position;
    while (start > first && isReferenceCharacter(text[start - 1])) --start;
    if (start == 0 || text[start - 1] != '&') return false;
    const std::size_t last = std::min(text.size(), position + kLongestReference);
    std::size_t end = position;
    while (end < last && isReferenceCharacter(text[end])) ++end;
    return end < text.size() && text[end] == ';' && end > start;
}

// Answers, for positions that never go back, whether the text after a position closes a tag before
// it opens another. Each '<' and '>' is looked for once, so a long text stays linear.
class MarkupScanner {
public:
    explicit MarkupScanner(std::string_view text) : text_(text) {}
    bool insideMarkup(std::size_t position) {
        const std::size_t open = next(nextOpen_, '<', position);
        const std::size_t close = next(nextClose_, '>', position);
        return close != std::string_view::npos && (open == std::string_view::npos || close < open);
    }

private:
    std::size_t next(std::size_t& cached, char c, std::size_t position) const {
        if (cached != std::string_view::npos && cached < position) cached = text_.find(c, position);
        return cached;
    }
    std::string_view text_;
    std::size_t nextOpen_ = 0, nextClose_ = 0;
};

}  // namespace

std::string anchorLinksAndEmails(std::string_view escapedText) {
    struct Replacement {
        RegexRange range;
        std::string markup;
    };
    std::vector<Replacement> replacements;
    std::vector<RegexRange> links = findLinks(escapedText);
    for (const RegexRange& link : links) {
        std::string_view text = link.in(escapedText);
        if (!isSafeLink(text)) continue;  // stays text, and so does an address inside it
        std::string target = text.find("://") == std::string_view::npos ? fmt::format("http://{}", text) : std::string(text);
        replacements.push_back({link, fmt::format(R"(<a id="{}" href="{}">{}</a>)", anchorID(kLinkAnchorPrefix), target, text)});
    }
    for (const RegexRange& email : findEmails(escapedText)) {
        if (std::any_of(links.begin(), links.end(), [&](const RegexRange& link) { return overlaps(link, email); })) continue;
        std::string_view address = email.in(escapedText);
        replacements.push_back(
            {email, fmt::format(R"(<a id="{}" href="mailto:{}">{}</a>)", anchorID(kEmailAnchorPrefix), address, address)});
    }
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.range.location < b.range.location; });

    std::string out;
    std::size_t copied = 0;
    for (const Replacement& r : replacements) {
        out.append(escapedText.substr(copied, r.range.location - copied));
        out += r.markup;
        copied = r.range.end();
    }
    out.append(escapedText.substr(copied));
    return out;
}

std::string pictureAnchor(std::int64_t pictureID, std::string_view pictureFileURL, PictureSize shown) {
    return fmt::format(
        R"(<a id="{}" class="inherited_frame" href="talvimage://{}"><img src="{}" width="{}" height="{}" border="1"></a>)",
        anchorID(kImageAnchorPrefix), pictureID, htmlEscapedString(pictureFileURL), shown.width, shown.height);
}

std::string markSearchText(std::string_view body, std::string_view escapedSearch) {
    if (escapedSearch.empty()) return std::string(body);
    MarkupScanner markup(body);
    std::string out;
    std::size_t copied = 0;
    for (const RegexMatch& match : Regex(literalPattern(escapedSearch)).findAll(body)) {
        const RegexRange found = match.range();
        if (found.length == 0) break;
        if (markup.insideMarkup(found.end()) || insideCharacterReference(body, found.location) ||
            insideCharacterReference(body, found.end()))
            continue;
        out.append(body.substr(copied, found.location - copied));
        out += fmt::format(R"(<a id="{}"><div class="highlighted_word">{}</div></a>)", anchorID(kTextAnchorPrefix),
                           found.in(body));
        copied = found.end();
    }
    out.append(body.substr(copied));
    return out;
}

}  // namespace talv
