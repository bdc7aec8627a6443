#pragma once
// Reads one Adium HTML log (a text of `div` fragments, one per message or status line; the
// extensions "html" and "AdiumHTMLLog") into a chat record. The Adium scan pass creates one
// parser per pass and calls parseLogFile for each such new or changed file; the record goes to
// the store. The compiled patterns are process-wide; a parser is used by one thread at a time.
//
// The log stores times of day only: they are placed on the file's base date, the date in its name
// ("name (2006-09-23).html", "name (2004|05|17).html"), else the earlier of its creation and
// modification dates, and read in the local zone. A plain-text log renamed by Adium 1.0 is read by
// its "(HH:MM:SS) Name: text" lines.
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"
#include "store/ChatRecord.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class AdiumLogParser {
public:
    // The extensions of the files this reader takes, compared exactly: Adium 1.x renamed every
    // older "html" log to "AdiumHTMLLog".
    static constexpr std::array<std::string_view, 2> kExtensions{"html", "AdiumHTMLLog"};

    explicit AdiumLogParser(const FileSystem& fileSystem = FileSystem::local(),
                            ReadReporter& reporter = ReadReporter::log());

    // None, told to the reporter, when the file cannot be read, is not text or holds no message.
    std::optional<ChatRecord> parseLogFile(const std::filesystem::path& path) const;

    // Anchor tags go, their visible text stays.
    static std::string stripALinks(std::string_view text);
    // Every tag goes, also one spanning lines; a `br` tag becomes a line break.
    static std::string stripHTMLTags(std::string_view text);
    // Numeric references (decimal, and hexadecimal after "&#x") become their character, U+FFFD
    // for a value that is no character; "<br>", "&quot;", "&amp;", "&lt;", "&gt;" and "&nbsp;"
    // (any letter case) become what they stand for. Each is expanded once: "&amp;lt;" is "&lt;".
    static std::string expandHTMLEntities(std::string_view text);

private:
    const FileSystem& fileSystem_;
    ReadReporter& reporter_;
};

}  // namespace talv
