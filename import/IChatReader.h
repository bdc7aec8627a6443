#pragma once
// Reads iChat transcripts: ".ichat" keyed archives and ".chat" typedstreams, mapped into memory,
// into chat records, and writes them to the store. Used on the scan thread; the patterns and the
// "Verbose" default are read once per process.
#include "store/ChatRecord.h"

#include <optional>
#include <string>

namespace talv {

class TalvDatabase;

class IChatReader {
public:
    // The chat the file holds; none for another extension, a file that does not decode (logged
    // with the decoder's reason) or a root that is not laid out as iChat writes it.
    static std::optional<ChatRecord> readChatFile(const std::string& path);

    // Skips a file the store holds unchanged, else reads it and adds it to the store. False when
    // the store refused the chat (see TalvDatabase::lastWriteError()).
    [[nodiscard]] static bool scanChatFile(const std::string& path, TalvDatabase& db);
};

}  // namespace talv
