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

// Whether `position` lies after the "&" and before the ";" of a character reference.
bool insideCharacterReference(std::string_view text, std::size_t position) {
    std::size_t start = position;
    while (start > 0 && isReferenceCharacter(text[start - 1])) --start;
    if (start == 0 || text[start - 1] != '&') return false;
    std::size_t end = position;
    while (end < text.size() && isReferenceCharacter(text[end])) ++end;
    return end < text.size() && text[end] == ';' && end > start;
}

// Whether the text after `position` closes a tag before it opens another.
bool insideMarkup(std::string_view text, std::size_t position) {
    std::size_t nextOpen = text.find('<', position);
    std::size_t nextClose = text.find('>', position);
    return nextClose != std::string_view::npos && (nextOpen == std::string_view::npos || nextClose < nextOpen);
}

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
    std::string out(body);
    if (escapedSearch.empty()) return out;
    Regex search(literalPattern(escapedSearch));
    std::size_t from = 0;
    while (from < out.size()) {
        auto match = search.find(out, RegexRange{from, out.size() - from});
        if (!match) break;
        RegexRange found = match->range();
        if (found.length == 0) break;
        if (insideMarkup(out, found.end()) || insideCharacterReference(out, found.location) ||
            insideCharacterReference(out, found.end())) {
            from = found.end();
            continue;
        }
        std::string anchor = fmt::format(R"(<a id="{}"><div class="highlighted_word">{}</div></a>)",
                                         anchorID(kTextAnchorPrefix), found.in(out));
        out.replace(found.location, found.length, anchor);
        from = found.location + anchor.size();
    }
    return out;
}

}  // namespace talv
