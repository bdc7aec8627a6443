#pragma once
// Reads one Adium XML log (".chatlog": the XML file itself, or a folder holding it) into a chat
// record. The Adium scan pass creates one parser per pass and calls parseLogFile for every new or
// changed ".chatlog" item; each record it gets goes to the store. The log is streamed, one
// element at a time. A parser is used by one thread at a time.
#include "import/OVXMLEntity.h"
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"
#include "store/ChatRecord.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace talv {

class AdiumXMLLogParser {
public:
    explicit AdiumXMLLogParser(const FileSystem& fileSystem = FileSystem::local(),
                               ReadReporter& reporter = ReadReporter::log());

    // A folder is read through "<its name>.xml" (else its first other ".xml" file, never a "._"
    // companion). A document that is damaged or cut off yields the messages before the damage.
    // None, told to the reporter, when the item cannot be read, or holds no XML document or no
    // `chat` element.
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

    const FileSystem& fileSystem_;
    ReadReporter& reporter_;
};

}  // namespace talv
