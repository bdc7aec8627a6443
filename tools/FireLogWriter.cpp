#include "tools/FireLogWriter.h"

#include "store/OrvaneExtras.h"
#include "tools/LogMarkup.h"

#include <fmt/format.h>

namespace talv {
namespace {

std::string fireTime(Date date) { return LogMarkup::localTime(date, "%Y-%m-%d %H:%M:%S %z"); }

bool sameEnvelope(const LogEntry& a, const LogEntry& b) {
    return a.kind == LogEntry::Kind::Message && b.kind == LogEntry::Kind::Message && a.sender == b.sender &&
           a.fromMe == b.fromMe;
}

}  // namespace

std::string FireLogWriter::fileName(Date start) { return LogMarkup::localTime(start, "%Y-%m-%d, %H.%M.%S.xhtml"); }

std::string FireLogWriter::document(std::string_view service, const std::vector<LogEntry>& entries) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<log>\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LogEntry& e = entries[i];
        if (e.kind != LogEntry::Kind::Message) {
            out += fmt::format("<event name=\"{}\" occurred=\"{}\"><message service=\"{}\">{}</message></event>\n",
                               e.kind == LogEntry::Kind::Status ? "StatusChanged" : LogMarkup::attribute(e.type),
                               fireTime(e.time), LogMarkup::attribute(service), LogMarkup::html(e.text));
            continue;
        }
        out += "<envelope>";
        if (!e.sender.empty())
            out += fmt::format("<sender{}>{}</sender>", e.fromMe ? " self=\"yes\"" : "", htmlEscapedString(e.sender));
        for (;; ++i) {
            out += fmt::format("<message received=\"{}\">{}</message>", fireTime(entries[i].time),
                               LogMarkup::html(entries[i].text));
            if (i + 1 == entries.size() || !sameEnvelope(e, entries[i + 1])) break;
        }
        out += "</envelope>\n";
    }
    return out + "</log>\n";
}

bool FireLogWriter::write(const std::filesystem::path& path, std::string_view service,
                          const std::vector<LogEntry>& entries) {
    return LogMarkup::writeFile(path, document(service, entries));
}

}  // namespace talv
