#include "tools/LogMarkup.h"

#include "platform/LinkPatterns.h"
#include "store/OrvaneExtras.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

namespace talv {
namespace {

struct Span {
    RegexRange range;
    bool email;
};

// Links first; an address inside a link stays part of it.
std::vector<Span> anchors(std::string_view text) {
    std::vector<Span> spans;
    for (RegexRange r : findLinks(text)) spans.push_back({r, false});
    for (RegexRange r : findEmails(text)) {
        bool inside = std::any_of(spans.begin(), spans.end(), [&](const Span& s) {
            return r.location < s.range.end() && s.range.location < r.end();
        });
        if (!inside) spans.push_back({r, true});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.range.location < b.range.location; });
    return spans;
}

}  // namespace

std::string LogMarkup::attribute(std::string_view text) {
    std::string flat(text);
    std::replace_if(flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return htmlEscapedString(flat);
}

std::string LogMarkup::html(std::string_view text) {
    std::string out;
    std::size_t from = 0;
    for (const Span& span : anchors(text)) {
        std::string_view shown = span.range.in(text);
        std::string href = span.email ? "mailto:" + std::string(shown)
                           : shown.substr(0, 4) == "www." ? "http://" + std::string(shown)
                                                          : std::string(shown);
        out += htmlEscapedString(text.substr(from, span.range.location - from));
        out += "<a href=\"" + attribute(href) + "\" title=\"" + attribute(href) + "\">" + htmlEscapedString(shown) + "</a>";
        from = span.range.end();
    }
    out += htmlEscapedString(text.substr(from));
    return out;
}

std::string LogMarkup::localTime(Date date, const char* format) {
    auto seconds = static_cast<gint64>(std::floor(date.secondsSince1970));
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> dt(g_date_time_new_from_unix_local(seconds),
                                                                &g_date_time_unref);
    if (!dt) return {};
    std::unique_ptr<gchar, decltype(&g_free)> text(g_date_time_format(dt.get(), format), &g_free);
    return text ? text.get() : "";
}

bool LogMarkup::writeFile(const std::filesystem::path& path, std::string_view contents) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace talv
