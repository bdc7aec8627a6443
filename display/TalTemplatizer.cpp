#include "display/TalTemplatizer.h"

#include "display/ApplicationResources.h"
#include "display/MessageMarkup.h"
#include "display/PictureFiles.h"
#include "display/TimeFormat.h"
#include "identity/TalvCacheDatabase.h"
#include "platform/CalendarDate.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "store/FMResultSet.h"
#include "store/OrvaneExtras.h"
#include "store/TalvDatabase.h"

#include <glib.h>


namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr std::string_view kMessagesQuery =
    "SELECT ROWID, Message, FromMe, Participant, Timestamp, HasPicture, PictureID FROM Messages "
    "WHERE ChatID = ? ORDER BY Number ASC";

bool boolValue(const Value& values, std::string_view key) {
    const Value* v = values.find(key);
    return v && v->boolOr(false);
}

std::string textValue(const Value& values, std::string_view key) {
    const Value* v = values.find(key);
    return v ? v->textOr("") : std::string();
}

// The format of a "%time{FORMAT}%" tag starting at `at`, with the tag's length; none for an opener
// without a closing "}%" or with an empty format, which stays as text.
std::optional<std::pair<std::string_view, std::size_t>> timeFormatTag(std::string_view text, std::size_t at) {
    constexpr std::string_view kOpen = "%time{", kClose = "}%";
    if (text.substr(at, kOpen.size()) != kOpen) return std::nullopt;
    const std::size_t formatStart = at + kOpen.size();
    const std::size_t close = text.find(kClose, formatStart);
    if (close == std::string_view::npos || close == formatStart) return std::nullopt;
    return std::pair{text.substr(formatStart, close - formatStart), close + kClose.size() - at};
}

Value identityValue(const IdentityRecord& person) {
    Value::Dictionary record{{"Name", person.Name}};
    if (person.UUID) record.emplace("UUID", *person.UUID);
    if (person.IMHandle) record.emplace("IMHandle", *person.IMHandle);
    if (person.IsMe) record.emplace("IsMe", *person.IsMe);
    if (person.Picture) record.emplace("Picture", *person.Picture);
    return record;
}

}  // namespace

std::string fileURL(const fs::path& path, bool isFolder) {
    std::string absolute = fs::absolute(path).lexically_normal().string();
    if (isFolder && (absolute.empty() || absolute.back() != '/')) absolute += '/';
    gchar* uri = g_filename_to_uri(absolute.c_str(), nullptr, nullptr);
    std::string url = uri ? uri : "";
    g_free(uri);
    return url;
}

TalTemplatizer::TalTemplatizer(const fs::path& templateDirectory)
    : templateBasePath(templateDirectory), tmplBundle(StyleBundle::open(templateDirectory)) {
    if (!tmplBundle) logf("Cannot open the message style {}", templateDirectory.string());
    tmplMain = stringWithContentsOfUTF8File(applicationResourcesDirectory() / "Template.html").value_or("");
    if (tmplBundle) {
        const StyleBundle& style = *tmplBundle;
        tmplHeader = style.resourceText("Header.html");
        tmplFooter = style.resourceText("Footer.html");
        tmplIncMessageBegin = style.resourceText("Begin.html", "Incoming");
        tmplIncMessageEnd = style.resourceText("End.html", "Incoming");
        tmplIncMessageMore = style.resourceText("More.html", "Incoming");
        tmplOutMessageBegin = style.resourceText("Begin.html", "Outgoing");
        tmplOutMessageEnd = style.resourceText("End.html", "Outgoing");
        tmplOutMessageMore = style.resourceText("More.html", "Outgoing");
        tmplSystemBegin = style.resourceText("Begin.html", "System");
        tmplSystemEnd = style.resourceText("End.html", "System");
        tmplSystemMore = style.resourceText("More.html", "System");
        defaultOutIconPath = style.pathForResource("DefaultIcon", "png", "Outgoing");
        defaultIncIconPath = style.pathForResource("DefaultIcon", "png", "Incoming");
    }
    tsFormatter = localizedDateFormatStringShowingSeconds(false, false);
}

std::string TalTemplatizer::fillSkeleton(const std::string& messages) const {
    fs::path resources = tmplBundle ? tmplBundle->resourcePath() : templateBasePath / "Contents" / "Resources";
    return formatString(tmplMain, {htmlEscapedString(fileURL(resources, true)), std::string(), messages, tmplHeader, tmplFooter});
}

std::optional<std::string> TalTemplatizer::renderChat(std::optional<std::int64_t> chatID, TalvDatabase& db,
                                                      TalvCacheDatabase& cacheDatabase,
                                                      std::string_view highlightWord) {
    if (!chatID) {
        Value values = Value::Dictionary{{"message", tr("No chat transcript is selected.")},
                                         {"from", ""},
                                         {"fromMe", false},
                                         {"hasPicture", false},
                                         {"pictureID", 0}};
        return fillSkeleton(expandTemplateTags(tmplSystemBegin, values, db, cacheDatabase) + tmplSystemEnd);
    }

    const bool showSystemMessages = UserDefaults::standard().boolForKey("ChatDisplaySystemMessages", false);
    auto rows = db.db().executeQuery(std::string(kMessagesQuery), {*chatID});
    if (!rows) return std::nullopt;

    std::string body;
    std::optional<std::string> previousParticipant;
    bool previousFromMe = false;
    auto closeGroup = [&] {
        if (!previousParticipant) return;
        if (previousParticipant->empty()) body += tmplSystemEnd;
        else body += previousFromMe ? tmplOutMessageEnd : tmplIncMessageEnd;
    };
    while (rows->next()) {
        std::string participant = rows->stringForColumn("Participant").value_or("");
        bool fromMe = rows->boolForColumn("FromMe");
        if (!showSystemMessages && participant.empty()) continue;
        if (previousParticipant && *previousParticipant != participant) closeGroup();
        bool continued = previousParticipant && *previousParticipant == participant;
        std::string fragment = renderOneMessage(*rows, continued, db, cacheDatabase, highlightWord);
        if (fragment.empty())
            logf("Cannot render the message {} ({})", rows->int64ForColumn("ROWID"), rows->stringForColumn("Message").value_or(""));
        body += fragment;
        previousParticipant = std::move(participant);
        previousFromMe = fromMe;
    }
    // Rows that stopped on a failed step are not the whole chat.
    if (rows->stepFailed()) return std::nullopt;
    closeGroup();
    return fillSkeleton(body);
}

std::string TalTemplatizer::renderOneMessage(FMResultSet& row, bool continued, TalvDatabase& db,
                                             TalvCacheDatabase& cacheDatabase, std::string_view highlightWord) {
    std::string participant = row.stringForColumn("Participant").value_or("");
    bool system = participant.empty();
    bool fromMe = row.boolForColumn("FromMe");
    IdentityRecord person = cacheDatabase.abPersonDataForParticipant(participant, true);
    Value::Dictionary values{
        {"message", row.stringForColumn("Message").value_or("")},
        {"from", system ? std::string() : person.Name},
        {"ABPersonData", identityValue(person)},
        {"timestamp", row.dateForColumn("Timestamp").value_or(Date{})},
        {"fromMe", fromMe},
        {"hasPicture", row.boolForColumn("HasPicture")},
        {"pictureID", row.int64ForColumn("PictureID")},
        {"hilight", system ? std::string() : std::string(highlightWord)},
    };
    const std::string* fragment = nullptr;
    if (system) fragment = continued ? &tmplSystemMore : &tmplSystemBegin;
    else if (fromMe) fragment = continued ? &tmplOutMessageMore : &tmplOutMessageBegin;
    else fragment = continued ? &tmplIncMessageMore : &tmplIncMessageBegin;
    return expandTemplateTags(*fragment, Value(std::move(values)), db, cacheDatabase);
}

std::string TalTemplatizer::expandTemplateTags(std::string_view fragment, const Value& values, TalvDatabase& db,
                                               TalvCacheDatabase& cacheDatabase) {
    std::optional<CalendarDate> time;
    const Value* timestamp = values.find("timestamp");
    if (UserDefaults::standard().boolForKey("ChatDisplayTimestamps", true) && timestamp && timestamp->asDate())
        time.emplace(*timestamp->asDate());

    // One pass from the start: a value once inserted is never read for tags, so a sender named
    // "%message%" or a message holding "%sender%" stays text.
    std::string text;
    text.reserve(fragment.size());
    bool messageDone = false;
    std::size_t copied = 0;
    for (std::size_t at = fragment.find('%'); at != std::string_view::npos; at = fragment.find('%', copied)) {
        text.append(fragment.substr(copied, at - copied));
        const std::string_view rest = fragment.substr(at);
        auto tag = [&](std::string_view name) { return rest.substr(0, name.size()) == name ? name.size() : 0; };
        std::size_t length = 0;
        if ((length = tag("%time%"))) {
            if (time) text += time->descriptionWithCalendarFormat(tsFormatter);
        } else if (auto format = timeFormatTag(fragment, at)) {
            length = format->second;
            if (time) text += time->descriptionWithCalendarFormat(std::string(format->first));
        } else if ((length = tag("%sender%"))) {
            // Sender names come from transcripts and address books: never markup.
            text += htmlEscapedString(textValue(values, "from"));
        } else if ((length = tag("%userIconPath%"))) {
            text += htmlEscapedString(userIconURL(values));
        } else if (!messageDone && (length = tag("%message%"))) {
            messageDone = true;
            const Value* pictureID = values.find("pictureID");
            text += encodeHTML(textValue(values, "message"), textValue(values, "hilight"), boolValue(values, "hasPicture"),
                               pictureID ? pictureID->integerOr(0) : 0, db, cacheDatabase);
        } else {
            text += '%';
            length = 1;
        }
        copied = at + length;
    }
    text.append(fragment.substr(std::min(copied, fragment.size())));
    return text;
}

std::string TalTemplatizer::userIconURL(const Value& values) const {
    std::optional<fs::path> icon;
    if (const Value* person = values.find("ABPersonData")) {
        const Value* uuid = person->find("UUID");
        const Value* picture = person->find("Picture");
        if (uuid && uuid->asText()) icon = userIconFile(*uuid->asText(), picture ? picture->asData() : nullptr);
    }
    if (!icon) icon = boolValue(values, "fromMe") ? defaultOutIconPath : defaultIncIconPath;
    return icon ? fileURL(*icon) : std::string();
}

std::string TalTemplatizer::encodeHTML(std::string_view message, std::string_view hilight, bool hasPicture,
                                       std::int64_t pictureID, TalvDatabase& db, TalvCacheDatabase&) {
    std::string body = anchorLinksAndEmails(htmlEscapedString(message));
    if (hasPicture) body += pictureMarkup(pictureID, db);
    return markSearchText(body, htmlEscapedString(hilight));
}

std::string TalTemplatizer::pictureMarkup(std::int64_t pictureID, TalvDatabase& db) {
    auto record = db.imageWithID(pictureID);
    if (!record || !record->Data) return {};
    auto info = inspectPicture(*record->Data);
    if (!info || !record->Filename || record->Filename->empty()) return {};
    auto file = writeInlinePictureForDisplay(*record->Filename, *record->Data, *info);
    if (!file) return {};
    return pictureAnchor(pictureID, fileURL(*file), thumbnailSize({info->width, info->height}));
}

}  // namespace talv
