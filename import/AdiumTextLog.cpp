#include "import/AdiumTextLog.h"

#include "import/LogDateParser.h"
#include "platform/Regex.h"

#include <glib.h>

namespace talv {
namespace {

struct Patterns {
    Regex message{R"(^\((\d{1,2}:\d\d:\d\d(?: ?[AP]M)?)\) ?(.+?): (.*)$)"};
    Regex status{R"(^<(.* \((\d{1,2}:\d\d:\d\d(?: ?[AP]M)?)\))>$)"};
};

const Patterns& patterns() {
    static const Patterns p;
    return p;
}

std::optional<Date> readTime(std::string_view time, const std::string& baseDate) {
    return LogDateParser::naturalLanguageDate(baseDate + " " + std::string(time));
}

}  // namespace

std::vector<MessageRecord> AdiumTextLog::parse(std::string_view text, const std::string& baseDate, std::string_view account) {
    std::vector<MessageRecord> messages;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        if (auto m = patterns().message.find(line)) {
            MessageRecord record;
            record.Sender = std::string(m->str(line, 2));
            record.Message = std::string(m->str(line, 3));
            record.Timestamp = readTime(m->str(line, 1), baseDate);
            record.FromMe = !account.empty() && record.Sender.size() == account.size() &&
                            g_ascii_strncasecmp(record.Sender.data(), account.data(), account.size()) == 0;
            if (record.Timestamp) messages.push_back(std::move(record));
        } else if (auto s = patterns().status.find(line)) {
            MessageRecord record;
            record.Message = std::string(s->str(line, 1));
            record.Timestamp = readTime(s->str(line, 2), baseDate);
            messages.push_back(std::move(record));
        } else if (!messages.empty() && !messages.back().Sender.empty() && !line.empty()) {
            messages.back().Message += '\n';
            messages.back().Message += line;
        }
    }
    return messages;
}

std::string AdiumTextLog::accountOf(const std::filesystem::path& logFile) {
    const std::string folder = logFile.parent_path().parent_path().filename().string();
    const std::size_t dot = folder.find('.');
    return dot == std::string::npos ? std::string() : folder.substr(dot + 1);
}

}  // namespace talv
