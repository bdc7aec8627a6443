#include "import/AdiumXMLLogParser.h"

#include "import/AdiumStatusTexts.h"
#include "import/ChatSummary.h"
#include "import/OVXMLEngine.h"
#include "platform/CalendarDate.h"
#include "platform/StringFormat.h"

#include <fmt/format.h>
#include <glib.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool isNamed(const OVXMLEntity& entity, const char* name) {
    return g_ascii_strcasecmp(entity.className().c_str(), name) == 0;
}

std::optional<Date> timeOf(const OVXMLEntity& entity) {
    auto time = entity.attribute("time");
    return time ? AdiumXMLLogParser::rfcTimeStringToCalenarDate(*time) : std::nullopt;
}

std::string joinedText(const OVXMLEntity& entity) {
    std::string text;
    OVXMLEntity::deepJoinBodies(entity, text);
    return text;
}

bool isAppleDouble(std::string_view name) { return name.starts_with("._"); }

// The log file of a ".chatlog" folder: "<bundle name>.xml", else the first other ".xml" entry;
// never an AppleDouble companion ("._name.xml"), which copies of Mac homes carry.
std::optional<fs::path> logFileIn(const FileSystem& fileSystem, const fs::path& folder, std::error_code& ec) {
    const std::string wanted = folder.stem().string() + ".xml";
    std::optional<fs::path> first;
    for (const FolderEntry& entry : fileSystem.listFolder(folder, ec)) {
        if (entry.name == wanted) return folder / entry.name;
        if (!first && !isAppleDouble(entry.name) && fs::path(entry.name).extension() == ".xml") first = folder / entry.name;
    }
    return first;
}

MessageRecord statusLine(std::string text, std::optional<Date> time) {
    MessageRecord record;
    record.Message = std::move(text);
    record.Timestamp = time;
    return record;
}

}  // namespace

std::optional<Date> AdiumXMLLogParser::rfcTimeStringToCalenarDate(std::string_view text) {
    std::string calendarText =
        text.size() < 25 ? std::string(text)
                         : fmt::format("{} {} {}{}", text.substr(0, 10), text.substr(11, 8), text.substr(19, 3),
                                       text.substr(23, 2));
    auto date = CalendarDate::dateWithString(calendarText);
    return date ? std::optional<Date>(date->date()) : std::nullopt;
}

AdiumXMLLogParser::AdiumXMLLogParser(const FileSystem& fileSystem, ReadReporter& reporter)
    : fileSystem_(fileSystem), reporter_(reporter) {}

std::optional<ChatRecord> AdiumXMLLogParser::parseLogFile(const fs::path& path) const {
    std::error_code ec;
    const std::optional<FileInfo> info = fileSystem_.stat(path, ec);
    if (!info) {
        reporter_.failed(path, ec.message());
        return std::nullopt;
    }
    fs::path file = path;
    if (info->type == FileType::Folder) {
        auto log = logFileIn(fileSystem_, path, ec);
        if (ec) {
            reporter_.failed(path, ec.message());
            return std::nullopt;
        }
        if (!log) {
            reporter_.skipped(path, "No XML log in the chat log folder");
            return std::nullopt;
        }
        file = *log;
    }

    std::vector<MessageRecord> messages;
    const bool read = OVXMLEngine().streamLogFile(
        fileSystem_, reporter_, file, "chat", "an Adium chat log", [&](const OVXMLEntity& chat, const OVXMLEntity& child) {
            if (isNamed(child, "event")) parseEvent(child, messages);
            else if (isNamed(child, "status")) parseStatus(child, messages);
            else if (isNamed(child, "message")) parseMessage(child, messages, chat.attribute("account"));
        });
    if (!read) return std::nullopt;
    return ChatSummary::summarize(std::move(messages), "Adium");
}

void AdiumXMLLogParser::parseMessage(const OVXMLEntity& entity, std::vector<MessageRecord>& into,
                                     const std::optional<std::string_view>& account) {
    MessageRecord record;
    record.Sender = std::string(entity.attribute("sender").value_or(""));
    record.Timestamp = timeOf(entity);
    record.Message = joinedText(entity);
    record.FromMe = account && record.Sender.size() == account->size() &&
                    g_ascii_strncasecmp(record.Sender.data(), account->data(), account->size()) == 0;
    into.push_back(std::move(record));
}

void AdiumXMLLogParser::parseStatus(const OVXMLEntity& entity, std::vector<MessageRecord>& into) {
    auto type = entity.attribute("type");
    if (!type || type->empty()) return;
    std::string text = joinedText(entity);
    auto format = AdiumStatusTexts::format(
        fmt::format("{}{}", text.empty() ? "AdiumStatus_" : "AdiumStatusWithText_", *type));
    if (!format || format->empty()) return;
    into.push_back(statusLine(formatString(*format, {std::string(entity.attribute("sender").value_or("")), text}),
                              timeOf(entity)));
}

void AdiumXMLLogParser::parseEvent(const OVXMLEntity& entity, std::vector<MessageRecord>& into) {
    auto type = entity.attribute("type");
    if (!type || type->empty()) return;
    auto format = AdiumStatusTexts::format(fmt::format("AdiumEvent_{}", *type));
    if (!format || format->empty()) return;
    into.push_back(statusLine(formatString(*format, {std::string(entity.attribute("sender").value_or(""))}),
                              timeOf(entity)));
}

}  // namespace talv
