#include "import/AdiumLogParser.h"

#include "import/AdiumTextLog.h"
#include "import/ChatSummary.h"
#include "import/LogDateParser.h"
#include "import/LogTextFile.h"
#include "platform/Regex.h"

#include <fmt/format.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

struct Patterns {
    Regex fragment{R"(\<div class=\"([^"]*)\"\>(.*))", Regex::DotAll};
    Regex time{R"(<span class=\"timestamp\">([^<]*)</span>)"};
    Regex sender{R"(<span class=\"sender\">([^<]*)</span>)"};
    // Dot-all: a message holding a real line break is one message, not a dropped one.
    Regex text{R"(<pre [^>]*>(.*)</pre>)", Regex::DotAll};
    Regex statusTime{R"(\((\d.*\:\d.*\:[^\)]*)\))"};
    Regex anchor{R"((<a [^>]*>)[^<]*(<[^>]*>))"};
    Regex anyTag{"<(.|\n)+?>"};
    Regex lineBreakTag{R"(^<br\s*/?>$)"};
    Regex nameDate{R"(\((\d{4})[-|](\d{2})[-|](\d{2})\))"};
};

const Patterns& patterns() {
    static const Patterns p;
    return p;
}

std::optional<std::string> localDay(gint64 unixSeconds) {
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> dt(g_date_time_new_from_unix_local(unixSeconds),
                                                                &g_date_time_unref);
    if (!dt) return std::nullopt;
    std::unique_ptr<gchar, decltype(&g_free)> text(g_date_time_format(dt.get(), "%Y-%m-%d"), &g_free);
    return text ? std::optional<std::string>(text.get()) : std::nullopt;
}

// Adium named its HTML logs after their day. A copy made on Linux is born at the copy (when the
// file system keeps birth times at all), so the earlier of birth and modification is the day.
std::optional<std::string> baseDate(const fs::path& path, const FileInfo& info) {
    std::string name = path.filename().string();
    auto dates = patterns().nameDate.findAll(name);
    if (!dates.empty()) {
        const RegexMatch& m = dates.back();
        return fmt::format("{}-{}-{}", m.str(name, 1), m.str(name, 2), m.str(name, 3));
    }
    const Date day = std::min(info.created.value_or(info.modified), info.modified);
    return localDay(static_cast<gint64>(std::floor(day.secondsSince1970)));
}

std::optional<Date> readTime(std::string_view time, const std::string& base) {
    // The local zone's offset on that day, not one fixed for the process: logs from the other
    // side of a daylight-saving change keep their wall-clock times.
    return LogDateParser::naturalLanguageDate(fmt::format("{} {}", base, time));
}

// Markup removed and references expanded: the text of a sender name, status line or message.
std::string plainText(std::string_view html) {
    return AdiumLogParser::expandHTMLEntities(AdiumLogParser::stripHTMLTags(AdiumLogParser::stripALinks(html)));
}

MessageRecord parseStatusMessage(std::string_view body, const std::string& base) {
    MessageRecord record;
    if (auto m = patterns().statusTime.find(body)) record.Timestamp = readTime(m->str(body, 1), base);
    record.Message = plainText(body);
    return record;
}

std::optional<MessageRecord> parseOneMessage(std::string_view body, std::string_view cls, const std::string& base) {
    if (equalsIgnoringCase(cls, "status")) return parseStatusMessage(body, base);
    const Patterns& p = patterns();
    std::optional<Date> time;
    if (auto m = p.time.find(body)) time = readTime(m->str(body, 1), base);
    auto senderMatch = p.sender.find(body);
    auto textMatch = p.text.find(body);
    if (!time || !senderMatch || !textMatch) return std::nullopt;

    std::string_view sender = senderMatch->str(body, 1);
    if (auto colon = sender.rfind(':'); colon != std::string_view::npos) sender = sender.substr(0, colon);
    MessageRecord record;
    record.Sender = plainText(sender);
    record.Message = plainText(textMatch->str(body, 1));
    record.Timestamp = time;
    record.FromMe = equalsIgnoringCase(cls, "send");
    return record;
}

// The numeric value of a reference's inside: decimal as a leading-number parse reads it, or
// hexadecimal after "x". None when it names no character.
std::optional<gunichar> referenceValue(std::string_view inside) {
    std::size_t i = 0;
    while (i < inside.size() && g_ascii_isspace(inside[i])) ++i;
    int base = 10;
    bool negative = false;
    if (i < inside.size() && (inside[i] == 'x' || inside[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i < inside.size() && (inside[i] == '+' || inside[i] == '-')) {
        negative = inside[i++] == '-';
    }
    uint64_t value = 0;
    for (; i < inside.size() && g_ascii_isxdigit(inside[i]); ++i) {
        int digit = g_ascii_xdigit_value(inside[i]);
        if (digit >= base) break;
        value = std::min<uint64_t>(value * base + digit, 0x110000);
    }
    if (negative || value == 0 || value > 0x10FFFF) return std::nullopt;
    return static_cast<gunichar>(value);
}

void appendCharacter(std::string& out, gunichar c) {
    char buffer[6];
    out.append(buffer, static_cast<std::size_t>(g_unichar_to_utf8(c, buffer)));
}

bool startsIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The named references and the tag that the logs write, and what each stands for.
constexpr std::pair<std::string_view, std::string_view> kNamedReferences[] = {
    {"<br>", "\n"}, {"&quot;", "\""}, {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", " "}};

}  // namespace

std::string AdiumLogParser::stripALinks(std::string_view text) {
    std::string out;
    std::size_t from = 0;
    for (const RegexMatch& m : patterns().anchor.findAll(text)) {
        RegexRange open = *m.group(1), close = *m.group(2);
        out.append(text.substr(from, open.location - from));
        out.append(text.substr(open.end(), close.location - open.end()));
        from = close.end();
    }
    out.append(text.substr(from));
    return out;
}

std::string AdiumLogParser::stripHTMLTags(std::string_view text) {
    std::string out;
    std::size_t from = 0;
    for (const RegexMatch& m : patterns().anyTag.findAll(text)) {
        RegexRange tag = m.range();
        out.append(text.substr(from, tag.location - from));
        if (patterns().lineBreakTag.matches(tag.in(text))) out += '\n';
        from = tag.end();
    }
    out.append(text.substr(from));
    return out;
}

std::string AdiumLogParser::expandHTMLEntities(std::string_view text) {
    // One pass from left to right: what a reference expands to is never read again, so
    // "&amp;lt;" is "&lt;" and not "<".
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("&#")) {
            const std::size_t semicolon = rest.find(';');
            if (semicolon != std::string_view::npos) {
                auto value = referenceValue(rest.substr(2, semicolon - 2));
                i += semicolon + 1;
                // A character beyond U+FFFF may be written as two references to its UTF-16 halves.
                if (value && *value >= 0xD800 && *value < 0xDC00 && text.substr(i).starts_with("&#")) {
                    const std::size_t next = text.find(';', i);
                    auto low = next == std::string_view::npos ? std::nullopt : referenceValue(text.substr(i + 2, next - i - 2));
                    if (low && *low >= 0xDC00 && *low < 0xE000) {
                        value = 0x10000 + ((*value - 0xD800) << 10) + (*low - 0xDC00);
                        i = next + 1;
                    }
                }
                appendCharacter(out, value && g_unichar_validate(*value) ? *value : 0xFFFD);
                continue;
            }
        }
        bool named = false;
        if (rest.front() == '&' || rest.front() == '<') {
            for (auto [reference, replacement] : kNamedReferences) {
                if (startsIgnoringCase(rest, reference)) {
                    out += replacement;
                    i += reference.size();
                    named = true;
                    break;
                }
            }
        }
        if (!named) out += text[i++];
    }
    return out;
}

AdiumLogParser::AdiumLogParser(const FileSystem& fileSystem, ReadReporter& reporter)
    : fileSystem_(fileSystem), reporter_(reporter) {}

std::optional<ChatRecord> AdiumLogParser::parseLogFile(const fs::path& path) const {
    std::error_code ec;
    const std::optional<FileInfo> info = fileSystem_.stat(path, ec);
    const std::optional<std::string> bytes = info ? fileSystem_.readFile(path, ec) : std::nullopt;
    if (!bytes) {
        reporter_.failed(path, ec.message());
        return std::nullopt;
    }
    const std::optional<std::string> text = LogTextFile::decode(*bytes);
    if (!text) {
        reporter_.skipped(path, "Not a text file");
        return std::nullopt;
    }
    const std::optional<std::string> base = baseDate(path, *info);
    if (!base) {
        reporter_.skipped(path, "No day for its times");
        return std::nullopt;
    }

    std::vector<MessageRecord> messages;
    bool fragments = false;
    std::string_view rest = *text;
    while (!rest.empty()) {
        std::size_t end = rest.find("</div>");
        std::string_view piece = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 6);
        for (const RegexMatch& m : patterns().fragment.findAll(piece)) {
            if (!m.group(1) || !m.group(2)) continue;
            fragments = true;
            if (auto record = parseOneMessage(m.str(piece, 2), m.str(piece, 1), *base))
                messages.push_back(std::move(*record));
        }
    }
    // Adium 1.0 renamed plain-text logs to ".AdiumHTMLLog" as well.
    if (!fragments) messages = AdiumTextLog::parse(*text, *base, AdiumTextLog::accountOf(path));
    if (!fragments && messages.empty()) {
        reporter_.skipped(path, "No messages in the log");
        return std::nullopt;
    }
    return ChatSummary::summarize(std::move(messages), "Adium");
}

}  // namespace talv
