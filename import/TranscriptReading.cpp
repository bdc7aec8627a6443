#include "import/TranscriptReading.h"

#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"

#include <algorithm>

namespace talv {

std::optional<ChatRecord> readTranscriptFile(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (extension == ".ichat" || extension == ".chat") return IChatReader::readChatFile(path.string());
    if (extension == ".chatlog") return AdiumXMLLogParser().parseLogFile(path);
    if (extension == ".xhtml") return FireXMLLogParser().parseLogFile(path);
    const auto& html = AdiumLogParser::kExtensions;
    if (extension.size() > 1 && std::find(html.begin(), html.end(), extension.substr(1)) != html.end())
        return AdiumLogParser().parseLogFile(path);
    return std::nullopt;
}

}  // namespace talv
