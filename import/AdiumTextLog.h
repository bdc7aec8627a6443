#pragma once
// Adium's plain-text logs, which Adium 1.0 renamed to ".AdiumHTMLLog" along with the HTML ones:
// one "(HH:MM:SS) Name: text" line per message (later lines without that start continue it) and
// one "<Text (HH:MM:SS)>" line per status. Thread-safe.
#include "store/ChatRecord.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class AdiumTextLog {
public:
    // The messages of `text`, their times placed on `baseDate` ("YYYY-MM-DD") in the local zone;
    // a sender equal to `account` (ignoring case) is the local user. Empty when no line is one.
    static std::vector<MessageRecord> parse(std::string_view text, const std::string& baseDate, std::string_view account);
    // The local account of a log under "Logs/<Service>.<Account>/<Contact>/"; empty elsewhere.
    static std::string accountOf(const std::filesystem::path& logFile);
};

}  // namespace talv
