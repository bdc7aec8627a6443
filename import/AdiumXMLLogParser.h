#pragma once
// Reads one Adium XML log (".chatlog": the XML file itself, or a folder holding it) into a chat
// record. The Adium scan pass creates one parser per pass and calls parseLogFile for every new or
// changed ".chatlog" item; each record it gets goes to the store. Holds no state; may be used
// from any thread.
#include "import/OVXMLEntity.h"
#include "store/ChatRecord.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace talv {

class AdiumXMLLogParser {
public:
    // None when nothing exists at `path`. A document that is damaged or cut off yields the
    // messages before the damage; one that cannot be parsed at all, a record with no messages.
    std::optional<ChatRecord> parseLogFile(const std::filesystem::path& path) const;

    // "2007-05-14T21:38:11-04:00" read as "2007-05-14 21:38:11 -0400"; a text shorter than 25
    // characters is read as it stands. None when the calendar format "%Y-%m-%d %H:%M:%S %z"
    // rejects it.
    static std::optional<Date> rfcTimeStringToCalenarDate(std::string_view text);

private:
    static void parseMessage(const OVXMLEntity& entity, std::vector<MessageRecord>& into,
                             const std::optional<std::string_view>& account);
    static void parseStatus(const OVXMLEntity& entity, std::vector<MessageRecord>& into);
    static void parseEvent(const OVXMLEntity& entity, std::vector<MessageRecord>& into);
};

}  // namespace talv
