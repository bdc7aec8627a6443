#pragma once
// Reads one Fire log (".xhtml": a `log` of sender `envelope`s and status `event`s) into a chat
// record. The Fire scan pass creates one parser per pass and calls parseLogFile for every new or
// changed ".xhtml" file; the record goes to the store. The log is streamed, one element at a
// time; a parser is used by one thread at a time. Writes "Sender = ... (self = ...)" for every
// envelope and a line for every event that is not a status change.
#include "import/OVXMLEntity.h"
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"
#include "store/ChatRecord.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace talv {

class FireXMLLogParser {
public:
    explicit FireXMLLogParser(const FileSystem& fileSystem = FileSystem::local(),
                              ReadReporter& reporter = ReadReporter::log());

    // A damaged or cut-off file yields the messages before the damage. None, told to the
    // reporter, when the file cannot be read, or holds no XML document or no `log` element.
    std::optional<ChatRecord> parseLogFile(const std::filesystem::path& path) const;

private:
    static void parseEnvelope(const OVXMLEntity& envelope, std::vector<MessageRecord>& into);
    static void parseEvent(const OVXMLEntity& event, std::vector<MessageRecord>& into);

    const FileSystem& fileSystem_;
    ReadReporter& reporter_;
};

}  // namespace talv
