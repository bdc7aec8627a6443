#include "tools/AdiumHTMLLogWriter.h"

#include "tools/LogMarkup.h"
#include "store/OrvaneExtras.h"

#include <fmt/format.h>

namespace talv {
namespace {

// Status lines keep their line breaks as they are.
std::string statusText(std::string_view text) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t nl; (nl = text.find('\n', from)) != std::string_view::npos; from = nl + 1)
        out += htmlEscapedString(text.substr(from, nl - from)) + "\n";
    return out + htmlEscapedString(text.substr(from));
}

}  // namespace

std::string AdiumHTMLLogWriter::fileName(std::string_view contact, Date date) {
    return fmt::format("{} ({}).html", contact, LogMarkup::localTime(date, "%Y-%m-%d"));
}

std::string AdiumHTMLLogWriter::timeOfDay(Date date) {
    std::string clock = LogMarkup::localTime(date, "%I:%M:%S");
    if (clock.starts_with('0')) clock.erase(0, 1);
    bool pm = LogMarkup::localTime(date, "%H") >= "12";
    return clock + (pm ? " PM" : " AM");
}

std::string AdiumHTMLLogWriter::document(const std::vector<LogEntry>& entries) {
    std::string out = "\xEF\xBB\xBF";
    for (const LogEntry& e : entries) {
        if (e.kind == LogEntry::Kind::Message) {
            out += fmt::format(
                "<div class=\"{}\"><span class=\"timestamp\">{}</span> <span class=\"sender\">{}: </span>"
                "<pre class=\"message\">{}</pre></div>\n",
                e.fromMe ? "send" : "receive", timeOfDay(e.time), htmlEscapedString(e.sender), LogMarkup::html(e.text));
        } else {
            out += fmt::format("<div class=\"status\">{} ({})</div>\n", statusText(e.text), timeOfDay(e.time));
        }
    }
    return out;
}

bool AdiumHTMLLogWriter::write(const std::filesystem::path& path, const std::vector<LogEntry>& entries) {
    return LogMarkup::writeFile(path, document(entries));
}

}  // namespace talv
