#pragma once
// Turns one stored chat into one HTML page through a message style: consecutive messages of one
// participant form a group (Begin, More..., End fragments), each fragment's tags are filled from
// the message, and the result is wrapped in the application's page skeleton "Template.html".
// A renderer is made for one style. It holds no lock: use one renderer from one thread at a time,
// with connections opened on that thread. Pictures are written into the temporary folder.
#include "display/StyleBundle.h"
#include "platform/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class FMResultSet;
class TalvCacheDatabase;
class TalvDatabase;

class TalTemplatizer {
public:
    // Opens the style at `templateDirectory` and reads its fragments; a missing style or file
    // counts as empty text.
    explicit TalTemplatizer(const std::filesystem::path& templateDirectory);

    // The opened style, or nullptr when the folder could not be opened.
    const StyleBundle* bundle() const { return tmplBundle ? &*tmplBundle : nullptr; }

    // The whole page of a chat; no chat ID gives the page shown when no chat is selected. None
    // when the chat's messages cannot be read, all of them.
    std::optional<std::string> renderChat(std::optional<std::int64_t> chatID, TalvDatabase& db,
                                          TalvCacheDatabase& cacheDatabase, std::string_view highlightWord);

    // One message row of "SELECT ROWID, Message, FromMe, Participant, Timestamp, HasPicture,
    // PictureID FROM Messages ..." expanded in its fragment.
    std::string renderOneMessage(FMResultSet& row, bool continued, TalvDatabase& db,
                                 TalvCacheDatabase& cacheDatabase, std::string_view highlightWord);

    // `fragment` with its tags filled from `values` ("message", "from", "ABPersonData",
    // "timestamp", "fromMe", "hasPicture", "pictureID", "hilight").
    std::string expandTemplateTags(std::string_view fragment, const Value& values, TalvDatabase& db,
                                   TalvCacheDatabase& cacheDatabase);

    // The HTML body of a message: escaped, with link, e-mail, picture and search anchors.
    std::string encodeHTML(std::string_view message, std::string_view hilight, bool hasPicture,
                           std::int64_t pictureID, TalvDatabase& db, TalvCacheDatabase& cacheDatabase);

private:
    std::string fillSkeleton(const std::string& messages) const;
    // The "_IMAGE-" anchor for a stored picture, or nothing when it has no data, does not decode
    // or has no file name.
    std::string pictureMarkup(std::int64_t pictureID, TalvDatabase& db);
    std::string userIconURL(const Value& values) const;

    std::filesystem::path templateBasePath;
    std::string tmplMain;
    std::string tmplHeader;
    std::string tmplFooter;
    std::string tmplIncMessageBegin;
    std::string tmplIncMessageEnd;
    std::string tmplIncMessageMore;
    std::string tmplOutMessageBegin;
    std::string tmplOutMessageEnd;
    std::string tmplOutMessageMore;
    std::string tmplSystemBegin;
    std::string tmplSystemEnd;
    std::string tmplSystemMore;
    std::optional<std::filesystem::path> defaultIncIconPath;
    std::optional<std::filesystem::path> defaultOutIconPath;
    std::string tsFormatter;  // the calendar format of "%time%"
    std::optional<StyleBundle> tmplBundle;
};

// The file URL of a path, as the page refers to files; a folder's URL ends in "/" when asked.
std::string fileURL(const std::filesystem::path& path, bool isFolder = false);

}  // namespace talv
