#include "tools/AdiumXMLLogWriter.h"

#include "tools/LogMarkup.h"

#include <fmt/format.h>

namespace talv {
namespace {

std::string attributes(const LogEntry& e) {
    std::string out;
    if (!e.type.empty() && e.kind != LogEntry::Kind::Message) out += fmt::format(" type=\"{}\"", LogMarkup::attribute(e.type));
    if (!e.sender.empty()) out += fmt::format(" sender=\"{}\"", LogMarkup::attribute(e.sender));
    out += fmt::format(" time=\"{}\"", LogMarkup::localTime(e.time, "%Y-%m-%dT%H:%M:%S%:z"));
    if (!e.alias.empty()) out += fmt::format(" alias=\"{}\"", LogMarkup::attribute(e.alias));
    return out;
}

std::string element(const LogEntry& e, bool withPictures) {
    switch (e.kind) {
    case LogEntry::Kind::Message: {
        std::string picture = withPictures && e.picture
                                  ? fmt::format("<img alt=\"\" src=\"{}\"/>", LogMarkup::attribute(e.picture->fileName))
                                  : "";
        return fmt::format("<message{}><div><span style=\"font-family: Helvetica; font-size: 12pt;\">{}</span>{}</div></message>",
                           attributes(e), LogMarkup::html(e.text), picture);
    }
    case LogEntry::Kind::Status:
        return fmt::format("<status{}>{}</status>", attributes(e),
                           e.text.empty() ? "" : "<div>" + LogMarkup::html(e.text) + "</div>");
    case LogEntry::Kind::Event:
        return fmt::format("<event{}></event>", attributes(e));
    }
    return {};
}

}  // namespace

std::string AdiumXMLLogWriter::fileName(std::string_view contact, Date start) {
    return fmt::format("{} ({}).chatlog", contact, LogMarkup::localTime(start, "%Y-%m-%dT%H.%M.%S%z"));
}

std::string AdiumXMLLogWriter::document(std::string_view account, std::string_view service,
                                        const std::vector<LogEntry>& entries, bool withPictures) {
    std::string out = fmt::format(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<chat xmlns=\"http://purl.org/net/ulf/ns/0.4-02\" account=\"{}\" service=\"{}\">",
        LogMarkup::attribute(account), LogMarkup::attribute(service));
    for (const LogEntry& e : entries) out += "\n" + element(e, withPictures);
    return out + "</chat>";
}

bool AdiumXMLLogWriter::writeFile(const std::filesystem::path& path, std::string_view account,
                                  std::string_view service, const std::vector<LogEntry>& entries) {
    return LogMarkup::writeFile(path, document(account, service, entries, false));
}

bool AdiumXMLLogWriter::writeFolder(const std::filesystem::path& folder, std::string_view account,
                                    std::string_view service, const std::vector<LogEntry>& entries) {
    std::filesystem::path xml = folder / folder.filename();
    xml.replace_extension(".xml");
    bool ok = LogMarkup::writeFile(xml, document(account, service, entries, true));
    for (const LogEntry& e : entries) {
        if (!e.picture) continue;
        const Bytes& data = e.picture->data;
        ok = LogMarkup::writeFile(folder / e.picture->fileName,
                                  std::string_view(reinterpret_cast<const char*>(data.data()), data.size())) && ok;
    }
    return ok;
}

}  // namespace talv
