#pragma once
// Writes Adium XML logs (".chatlog"): either the XML file itself, as early Adium 1.x did, or a
// folder holding "<name>.xml" and the pictures its messages show. Times are local with their
// offset ("2011-12-09T01:13:43-08:00"). Thread-safe.
#include "tools/LogEntry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class AdiumXMLLogWriter {
public:
    // "<contact> (YYYY-MM-DDTHH.MM.SS+HHMM).chatlog" for the local time of `start`.
    static std::string fileName(std::string_view contact, Date start);
    // Pictures become `img` elements only when `withPictures`.
    static std::string document(std::string_view account, std::string_view service,
                                const std::vector<LogEntry>& entries, bool withPictures);
    // The file form; pictures are left out (no folder holds them).
    static bool writeFile(const std::filesystem::path& path, std::string_view account, std::string_view service,
                          const std::vector<LogEntry>& entries);
    // The folder form: `folder` is the ".chatlog" folder.
    static bool writeFolder(const std::filesystem::path& folder, std::string_view account, std::string_view service,
                            const std::vector<LogEntry>& entries);
};

}  // namespace talv
