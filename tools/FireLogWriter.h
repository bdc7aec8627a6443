#pragma once
// Writes Fire logs (".xhtml"): a `log` of `envelope`s, one per run of messages from one sender,
// and `event`s; times as "YYYY-MM-DD HH:MM:SS +HHMM" in the local zone. Status entries become
// "StatusChanged" events, event entries events named by their type. Thread-safe.
#include "tools/LogEntry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class FireLogWriter {
public:
    // "YYYY-MM-DD, HH.MM.SS.xhtml" for the local time of `start`.
    static std::string fileName(Date start);
    // `service` goes into the status messages' "service" attribute.
    static std::string document(std::string_view service, const std::vector<LogEntry>& entries);
    static bool write(const std::filesystem::path& path, std::string_view service, const std::vector<LogEntry>& entries);
};

}  // namespace talv
