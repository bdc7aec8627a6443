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

void replaceAll(std::string& text, std::string_view tag, std::string_view with) {
    for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + with.size()))
        text.replace(at, tag.size(), with);
}

// Each "%time{FORMAT}%" with a non-empty FORMAT becomes the time in that format (or nothing
// when time is not shown). An opener without a closing "}%" or with an empty format stays.
void expandTimeFormatTags(std::string& text, const std::optional<CalendarDate>& time) {
    constexpr std::string_view kOpen = "%time{", kClose = "}%";
    std::size_t from = 0;
    while ((from = text.find(kOpen, from)) != std::string::npos) {
        std::size_t formatStart = from + kOpen.size();
        std::size_t close = text.find(kClose, formatStart);
        if (close == std::string::npos) break;
        if (close == formatStart) {
            from = formatStart;
            continue;
        }
        std::string shown = time ? time->descriptionWithCalendarFormat(text.substr(formatStart, close - formatStart)) : "";
        text.replace(from, close + kClose.size() - from, shown);
        from += shown.size();
    }
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
            logf("Cannot render the message {} ({})", rows->intForColumn("ROWID"), rows->stringForColumn("Message").value_or(""));
        body += fragment;
        previousParticipant = std::move(participant);
        previousFromMe = fromMe;
    }
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
        {"pictureID", std::int64_t{row.intForColumn("PictureID")}},
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
    std::string text(fragment);
    std::optional<CalendarDate> time;
    const Value* timestamp = values.find("timestamp");
    if (UserDefaults::standard().boolForKey("ChatDisplayTimestamps", true) && timestamp && timestamp->asDate())
        time.emplace(*timestamp->asDate());

    replaceAll(text, "%time%", time ? time->descriptionWithCalendarFormat(tsFormatter) : "");
    expandTimeFormatTags(text, time);
    // Sender names come from transcripts and address books: never markup.
    replaceAll(text, "%sender%", htmlEscapedString(textValue(values, "from")));
    if (text.find("%userIconPath%") != std::string::npos)
        replaceAll(text, "%userIconPath%", htmlEscapedString(userIconURL(values)));
    if (std::size_t at = text.find("%message%"); at != std::string::npos) {
        const Value* pictureID = values.find("pictureID");
        text.replace(at, std::string_view("%message%").size(),
                     encodeHTML(textValue(values, "message"), textValue(values, "hilight"), boolValue(values, "hasPicture"),
                                pictureID ? pictureID->integerOr(0) : 0, db, cacheDatabase));
    }
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
    fs::path file = writeInlinePictureForDisplay(pictureID, *record->Filename, *record->Data, *info);
    return pictureAnchor(pictureID, fileURL(file), thumbnailSize({info->width, info->height}));
}

}  // namespace talv
