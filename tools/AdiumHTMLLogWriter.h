#pragma once
// Writes Adium HTML logs as Adium 0.8x did: a UTF-8 byte-order mark, then one `div` line per
// entry with the time of day only (local zone, 12-hour clock). Status and event entries are
// status lines. Thread-safe.
#include "tools/LogEntry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class AdiumHTMLLogWriter {
public:
    // "<contact> (YYYY-MM-DD).html" for the local day of `date`; readers take the day from it.
    static std::string fileName(std::string_view contact, Date date);
    static std::string document(const std::vector<LogEntry>& entries);
    static bool write(const std::filesystem::path& path, const std::vector<LogEntry>& entries);
    // "h:MM:SS AM": the form the log uses for times.
    static std::string timeOfDay(Date date);
};

}  // namespace talv
