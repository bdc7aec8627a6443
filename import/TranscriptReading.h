#pragma once
// One transcript file read by the reader its extension names, as the scan passes choose them:
// ".ichat" and ".chat" (iChat), ".html" and ".AdiumHTMLLog" (Adium HTML), ".chatlog" (Adium XML,
// file or folder), ".xhtml" (Fire). Any thread.
#include "store/ChatRecord.h"

#include <filesystem>
#include <optional>

namespace talv {

// None for another extension or a file its reader cannot read.
std::optional<ChatRecord> readTranscriptFile(const std::filesystem::path& path);

}  // namespace talv
