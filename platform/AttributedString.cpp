#include "platform/AttributedString.h"

#include "platform/LinkPatterns.h"

#include <glib.h>

#include <algorithm>
#include <utility>

namespace talv {
namespace {

constexpr char32_t Replacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; overlong forms, surrogates and values
// beyond U+10FFFF are invalid.
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (extra < 0 || lead >= 0xF5) return Replacement;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return Replacement;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return Replacement;
    return c;
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = Replacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) appendUtf16(out, decodeUtf8(text, i));
    return out;
}

namespace {

bool sameAttributes(const std::shared_ptr<const Attributes>& a, const std::shared_ptr<const Attributes>& b) {
    return a == b || *a == *b;
}

const std::shared_ptr<const Attributes>& noAttributes() {
    static const auto none = std::make_shared<const Attributes>();
    return none;
}

}  // namespace

AttributedString::AttributedString(std::u16string text, Attributes attributes) : text_(std::move(text)) {
    if (!text_.empty()) runs_.push_back({text_.size(), std::make_shared<const Attributes>(std::move(attributes))});
}

AttributedString::AttributedString(std::string_view utf8, Attributes attributes)
    : AttributedString(toUtf16(utf8), std::move(attributes)) {}

AttributedString AttributedString::fromRuns(std::u16string text, std::vector<Run> runs) {
    AttributedString result;
    result.text_ = std::move(text);
    std::size_t covered = 0;
    // Equal sets are compared once per pair of sets, however many runs alternate between them.
    std::map<std::pair<const Attributes*, const Attributes*>, bool> equalSets;
    for (Run& run : runs) {
        std::size_t length = std::min(run.length, result.text_.size() - covered);
        if (length == 0) continue;
        if (!run.attributes) run.attributes = noAttributes();
        covered += length;
        if (!result.runs_.empty()) {
            Run& last = result.runs_.back();
            auto key = std::make_pair(last.attributes.get(), run.attributes.get());
            auto known = equalSets.find(key);
            bool equal = known != equalSets.end() ? known->second
                                                  : equalSets.emplace(key, sameAttributes(last.attributes, run.attributes)).first->second;
            if (equal) {
                last.length += length;
                continue;
            }
        }
        result.runs_.push_back({length, std::move(run.attributes)});
    }
    if (covered < result.text_.size()) {
        if (!result.runs_.empty() && result.runs_.back().attributes->empty()) {
            result.runs_.back().length += result.text_.size() - covered;
        } else {
            result.runs_.push_back({result.text_.size() - covered, noAttributes()});
        }
    }
    return result;
}

bool AttributedString::operator==(const AttributedString& other) const {
    if (text_ != other.text_ || runs_.size() != other.runs_.size()) return false;
    for (std::size_t r = 0; r < runs_.size(); ++r) {
        if (runs_[r].length != other.runs_[r].length || !sameAttributes(runs_[r].attributes, other.runs_[r].attributes)) {
            return false;
        }
    }
    return true;
}

const Attributes& AttributedString::attributesAt(std::size_t index, TextRange* effectiveRange) const {
    std::size_t start = 0;
    for (const Run& run : runs_) {
        if (index < start + run.length) {
            if (effectiveRange) *effectiveRange = {start, run.length};
            return *run.attributes;
        }
        start += run.length;
    }
    if (effectiveRange) *effectiveRange = {index, 0};
    return *noAttributes();
}

const AttributeValue* AttributedString::attributeAt(std::string_view name, std::size_t index,
                                                    TextRange* effectiveRange) const {
    auto valueIn = [name](const Run& run) -> const AttributeValue* {
        auto found = run.attributes->find(name);
        return found == run.attributes->end() ? nullptr : &found->second;
    };
    auto same = [](const AttributeValue* a, const AttributeValue* b) { return a == b || (a && b && *a == *b); };

    std::size_t start = 0, r = 0;
    while (r < runs_.size() && index >= start + runs_[r].length) start += runs_[r++].length;
    if (r == runs_.size()) {
        if (effectiveRange) *effectiveRange = {index, 0};
        return nullptr;
    }
    const AttributeValue* value = valueIn(runs_[r]);
    if (effectiveRange) {
        std::size_t first = r, last = r, location = start, end = start + runs_[r].length;
        while (first > 0 && same(valueIn(runs_[first - 1]), value)) location -= runs_[--first].length;
        while (last + 1 < runs_.size() && same(valueIn(runs_[last + 1]), value)) end += runs_[++last].length;
        *effectiveRange = {location, end - location};
    }
    return value;
}

TextRange AttributedString::clip(TextRange range) const {
    std::size_t location = std::min(range.location, text_.size());
    return {location, std::min(range.length, text_.size() - location)};
}

std::size_t AttributedString::splitAt(std::size_t position) {
    std::size_t start = 0;
    for (std::size_t r = 0; r < runs_.size(); ++r) {
        if (position == start) return r;
        if (position < start + runs_[r].length) {
            Run tail{start + runs_[r].length - position, runs_[r].attributes};
            runs_[r].length = position - start;
            runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(r) + 1, std::move(tail));
            return r + 1;
        }
        start += runs_[r].length;
    }
    return runs_.size();
}

template <typename Change>
void AttributedString::changeAttributes(TextRange range, Change change) {
    range = clip(range);
    if (range.length == 0) return;
    std::size_t first = splitAt(range.location);
    std::size_t last = splitAt(range.end());
    for (std::size_t r = first; r < last; ++r) {
        Attributes changed = *runs_[r].attributes;
        change(changed);
        runs_[r].attributes = std::make_shared<const Attributes>(std::move(changed));
    }
    normalize(first, last);
}

void AttributedString::addAttribute(std::string_view name, AttributeValue value, TextRange range) {
    changeAttributes(range, [&](Attributes& attributes) { attributes.insert_or_assign(std::string(name), value); });
}

void AttributedString::removeAttribute(std::string_view name, TextRange range) {
    changeAttributes(range, [&](Attributes& attributes) {
        if (auto found = attributes.find(name); found != attributes.end()) attributes.erase(found);
    });
}

void AttributedString::setAttributes(const Attributes& attributes, TextRange range) {
    auto shared = std::make_shared<const Attributes>(attributes);
    range = clip(range);
    if (range.length == 0) return;
    std::size_t first = splitAt(range.location);
    std::size_t last = splitAt(range.end());
    for (std::size_t r = first; r < last; ++r) runs_[r].attributes = shared;
    normalize(first, last);
}

void AttributedString::replaceCharacters(TextRange range, std::u16string_view text) {
    range = clip(range);
    std::size_t source = range.length > 0 || range.location == 0 ? range.location : range.location - 1;
    TextRange sourceRun;
    std::shared_ptr<const Attributes> inherited = noAttributes();
    if (source < length()) {
        attributesAt(source, &sourceRun);
        std::size_t start = 0;
        for (const Run& run : runs_) {
            if (start == sourceRun.location) {
                inherited = run.attributes;
                break;
            }
            start += run.length;
        }
    }
    AttributedString replacement;
    replacement.text_ = text;
    if (!text.empty()) replacement.runs_.push_back({text.size(), std::move(inherited)});
    replaceCharacters(range, replacement);
}

void AttributedString::replaceCharacters(TextRange range, const AttributedString& text) {
    if (&text == this) {
        AttributedString copy(text);
        replaceCharacters(range, copy);
        return;
    }
    range = clip(range);
    std::size_t first = splitAt(range.location);
    std::size_t last = splitAt(range.end());
    runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first), runs_.begin() + static_cast<std::ptrdiff_t>(last));
    runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(first), text.runs_.begin(), text.runs_.end());
    text_.replace(range.location, range.length, text.text_);
    normalize(first, first + text.runs_.size());
}

void AttributedString::append(const AttributedString& text) {
    replaceCharacters(TextRange{length(), 0}, text);
}

void AttributedString::normalize(std::size_t first, std::size_t last) {
    // Only runs in [first, last) changed: merge among them and with their two neighbours.
    std::size_t begin = first > 0 ? first - 1 : 0;
    std::size_t end = std::min(last + 1, runs_.size());
    std::vector<Run> merged;
    for (std::size_t r = begin; r < end; ++r) {
        Run& run = runs_[r];
        if (run.length == 0) continue;
        if (!merged.empty() && sameAttributes(merged.back().attributes, run.attributes)) {
            merged.back().length += run.length;
        } else {
            merged.push_back(std::move(run));
        }
    }
    runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(begin), runs_.begin() + static_cast<std::ptrdiff_t>(end));
    runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(begin), merged.begin(), merged.end());
}

namespace {

// What a URL may hold as written: printable ASCII other than the characters URLs never carry,
// with every "%" starting an escape.
bool isValidURL(std::u16string_view url) {
    if (url.empty()) return false;
    for (std::size_t i = 0; i < url.size(); ++i) {
        char16_t c = url[i];
        if (c <= 0x20 || c >= 0x7F || std::u16string_view(u"\"<>\\^`{|}").find(c) != std::u16string_view::npos) return false;
        if (c == u'%' && (i + 2 >= url.size() || !g_ascii_isxdigit(static_cast<char>(url[i + 1])) ||
                          !g_ascii_isxdigit(static_cast<char>(url[i + 2])))) {
            return false;
        }
    }
    return true;
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

void AttributedString::detectURLs(const Value& color) {
    std::size_t index = 0;
    while (index < text_.size()) {
        auto isSpace = [this](std::size_t i) { return g_unichar_isspace(text_[i]) || text_[i] == 0x85; };
        while (index < text_.size() && isSpace(index)) ++index;
        std::size_t start = index;
        while (index < text_.size() && !isSpace(index)) ++index;
        if (start == index) break;

        std::u16string word = text_.substr(start, index - start);
        TextRange range{start, index - start};
        std::u16string link;
        if (word.find(u"://") != std::u16string::npos) {
            link = word;
        } else if (startsWith(word, u"www.")) {
            link = u"http://" + word;
        } else if (startsWith(word, u"ftp.")) {
            link = u"ftp://" + word;
        } else if (startsWith(word, u"gopher.")) {
            link = u"gopher://" + word;
        } else if (startsWith(word, u"mailto:")) {
            link = word;
        } else {
            std::string utf8 = toUtf8(word);
            const std::vector<RegexRange> emails = findEmails(utf8);  // linear in a long word
            if (emails.empty()) continue;
            const RegexRange bytes = emails.front();
            range = {start + toUtf16(std::string_view(utf8).substr(0, bytes.location)).size(),
                     toUtf16(bytes.in(utf8)).size()};
            link = u"mailto:" + toUtf16(bytes.in(utf8));
        }
        if (!isValidURL(link)) continue;
        addAttribute(LinkAttributeName, Value(toUtf8(link)), range);
        addAttribute(UnderlineAttributeName, Value(1), range);
        addAttribute(ColorAttributeName, color, range);
    }
}

}  // namespace talv
