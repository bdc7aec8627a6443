#include "import/FireXMLLogParser.h"

#include "import/ChatSummary.h"
#include "import/LogDateParser.h"
#include "import/OVXMLEngine.h"
#include "platform/Log.h"

#include <glib.h>

namespace talv {
namespace {

bool isNamed(const OVXMLEntity& entity, const char* name) {
    return g_ascii_strcasecmp(entity.className().c_str(), name) == 0;
}

std::optional<Date> dateAttribute(const OVXMLEntity& entity, const char* name) {
    auto text = entity.attribute(name);
    return text ? LogDateParser::naturalLanguageDate(*text) : std::nullopt;
}

MessageRecord record(const OVXMLEntity& message, std::string sender, bool fromMe, std::optional<Date> time) {
    MessageRecord r;
    OVXMLEntity::deepJoinBodies(message, r.Message);
    r.Sender = std::move(sender);
    r.FromMe = fromMe;
    r.Timestamp = time;
    return r;
}

}  // namespace

FireXMLLogParser::FireXMLLogParser(const FileSystem& fileSystem, ReadReporter& reporter)
    : fileSystem_(fileSystem), reporter_(reporter) {}

std::optional<ChatRecord> FireXMLLogParser::parseLogFile(const std::filesystem::path& path) const {
    std::vector<MessageRecord> messages;
    const bool read = OVXMLEngine().streamLogFile(
        fileSystem_, reporter_, path, "log", "a Fire log", [&](const OVXMLEntity&, const OVXMLEntity& child) {
            if (isNamed(child, "envelope")) parseEnvelope(child, messages);
            else if (isNamed(child, "event")) parseEvent(child, messages);
        });
    if (!read) return std::nullopt;
    return ChatSummary::summarize(std::move(messages), "Fire");
}

void FireXMLLogParser::parseEnvelope(const OVXMLEntity& envelope, std::vector<MessageRecord>& into) {
    const OVXMLEntity* sender = OVXMLEntity::deepFindEntity("sender", envelope.children());
    bool self = sender && sender->attribute("self").has_value();
    logf("Sender = {} (self = {})", sender ? sender->body() : "(null)", self ? "YES" : "no");
    for (const auto& child : envelope.children())
        if (isNamed(*child, "message"))
            into.push_back(record(*child, sender ? sender->body() : "", self, dateAttribute(*child, "received")));
}

void FireXMLLogParser::parseEvent(const OVXMLEntity& event, std::vector<MessageRecord>& into) {
    auto name = event.attribute("name");
    if (!name || name->empty()) return;
    if (g_ascii_strcasecmp(std::string(*name).c_str(), "StatusChanged") != 0) {
        logf("[Fire] Unsupported event name \"{}\"", *name);
        return;
    }
    auto occurred = dateAttribute(event, "occurred");
    for (const auto& child : event.children())
        if (isNamed(*child, "message") && child->attribute("service")) into.push_back(record(*child, "", false, occurred));
}

}  // namespace talv
