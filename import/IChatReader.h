#pragma once
// Reads iChat transcripts, ".ichat" keyed archives and ".chat" typedstreams, read whole into
// memory, into chat records for the store. Used on the scan thread; the patterns are compiled once
// per process.
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"
#include "store/ChatRecord.h"

#include <optional>
#include <string>

namespace talv {

class IChatReader {
public:
    // The chat the file holds; none for another extension, a file that cannot be read or does
    // not decode, or a root that is not laid out as iChat writes it (each told to `reporter`).
    // Messages that do not decode are left out and reported; the rest are read.
    static std::optional<ChatRecord> readChatFile(const std::string& path,
                                                  const FileSystem& fileSystem = FileSystem::local(),
                                                  ReadReporter& reporter = ReadReporter::log());
};

}  // namespace talv
