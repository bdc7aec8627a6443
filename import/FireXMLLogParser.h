#pragma once
// Reads one Fire log (".xhtml": a `log` of sender `envelope`s and status `event`s) into a chat
// record. The Fire scan pass creates one parser per pass and calls parseLogFile for every new or
// changed ".xhtml" file; the record goes to the store. Holds no state; may be used from any
// thread. Writes "Sender = ... (self = ...)" for every envelope and a line for every event that
// is not a status change.
#include "import/OVXMLEntity.h"
#include "store/ChatRecord.h"

#include <filesystem>
#include <vector>

namespace talv {

class FireXMLLogParser {
public:
    // Always a record: one with no messages when the file cannot be read or has no `log`; a
    // damaged or cut-off file yields the messages before the damage.
    ChatRecord parseLogFile(const std::filesystem::path& path) const;

private:
    static void parseEnvelope(const OVXMLEntity& envelope, std::vector<MessageRecord>& into);
    static void parseEvent(const OVXMLEntity& event, std::vector<MessageRecord>& into);
};

}  // namespace talv
