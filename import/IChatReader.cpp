#include "import/IChatReader.h"

#include "import/FoundationArchiveClasses.h"
#include "import/IChatArchiveClasses.h"
#include "import/KeyedUnarchiver.h"
#include "import/TypedStreamUnarchiver.h"
#include "platform/LinkPatterns.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"
#include "store/TranscriptFile.h"

#include <glib.h>

#include <algorithm>
#include <memory>
#include <set>

namespace talv {
namespace {

constexpr std::uint32_t FlagRead = 0x1, FlagFromMe = 0x4, FlagSkip = 0x8, FlagSenderIsPath = 0x20;
constexpr std::size_t SearchWindow = 2048;  // UTF-16 units

bool verbose() {
    static const bool value = UserDefaults::standard().boolForKey("Verbose");
    return value;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

struct MappedFileDeleter {
    void operator()(GMappedFile* file) const { g_mapped_file_unref(file); }
};

// The decoded root of the file, or null (after logging the decoder's reason).
ObjectPtr decodeFile(const std::string& path) {
    bool keyed = endsWith(path, ".ichat");
    if (!keyed && !endsWith(path, ".chat")) return nullptr;
    GError* error = nullptr;
    std::unique_ptr<GMappedFile, MappedFileDeleter> file(g_mapped_file_new(path.c_str(), FALSE, &error));
    std::string reason;
    if (!file) {
        reason = error ? error->message : "cannot map the file";
        g_clear_error(&error);
    }
    // An empty file maps to no contents.
    std::string_view bytes;
    if (file && g_mapped_file_get_contents(file.get())) {
        bytes = std::string_view(g_mapped_file_get_contents(file.get()), g_mapped_file_get_length(file.get()));
    }
    Unarchived decoded;
    if (reason.empty()) {
        decoded = keyed ? KeyedUnarchiver::unarchive(bytes, iChatArchiveClasses())
                        : TypedStreamUnarchiver::unarchive(bytes, iChatArchiveClasses());
        reason = decoded.failure;
    }
    if (!reason.empty()) {
        if (keyed) logf("NSKeyedUnarchiver exception - {}", reason);
        else logf("NSUnarchiver exception - {}", reason);
        return nullptr;
    }
    return decoded.root;
}

bool hasID(const InstantMessage& message) { return message.sender && message.sender->senderID; }

// Searches consecutive windows of the text; a match that straddles two windows is not seen.
bool searchByWindows(const std::u16string& text, bool (*contains)(std::string_view)) {
    for (std::size_t start = 0; start < text.size(); start += SearchWindow) {
        if (contains(toUtf8(std::u16string_view(text).substr(start, SearchWindow)))) return true;
    }
    return false;
}

bool carriesPicture(const AttributedString& text, std::size_t index) {
    if (text.attributeAt(InlineFilePathAttributeName, index)) return true;
    // Real files may mark a picture by its attachment alone.
    auto* attachment = std::get_if<TextAttachment>(text.attributeAt(AttachmentAttributeName, index));
    return attachment && attachment->fileWrapper && attachment->fileWrapper->regularFileContents();
}

// Replaces each link run by its link's text and reports whether a character carries a picture.
bool resolveLinksAndPictures(AttributedString& text) {
    bool picture = false;
    std::size_t index = 0;
    while (index < text.length()) {
        if (carriesPicture(text, index)) {
            picture = true;
            ++index;
            continue;
        }
        TextRange run;
        const Attributes& attributes = text.attributesAt(index, &run);
        auto link = attributes.find(LinkAttributeName);
        const Value* value = link == attributes.end() ? nullptr : std::get_if<Value>(&link->second);
        if (!value || !value->asText()) {
            ++index;
            continue;
        }
        std::u16string replacement = toUtf16(*value->asText());
        text.replaceCharacters(run, replacement);
        index = run.location + replacement.size();
    }
    return picture;
}

}  // namespace

std::optional<ChatRecord> IChatReader::readChatFile(const std::string& path) {
    ObjectPtr root = decodeFile(path);
    auto* list = objectAs<ArchivedArray>(root);
    if (!list || list->elements.size() < 4) return std::nullopt;
    auto* items = objectAs<ArchivedArray>(list->elements[2]);
    auto* people = objectAs<ArchivedArray>(list->elements[3]);
    if (!items || !people) return std::nullopt;

    ChatRecord chat;
    chat.Kind = "iChat";
    auto addParticipant = [&chat](const std::string& handle) {
        if (std::find(chat.Participants.begin(), chat.Participants.end(), handle) == chat.Participants.end()) {
            chat.Participants.push_back(handle);
        }
    };
    for (const ObjectPtr& person : people->elements) {
        auto* presentity = objectAs<Presentity>(person);
        if (presentity && presentity->senderID) addParticipant(*presentity->senderID);
    }

    // Other chat items than messages may sit in the list; they are not read. A message object
    // listed again (only damaged files do) is read once, so it cannot multiply into copies.
    std::vector<const InstantMessage*> messages;
    std::set<const InstantMessage*> listed;
    for (const ObjectPtr& item : items->elements) {
        auto* message = objectAs<InstantMessage>(item);
        if (message && listed.insert(message).second) messages.push_back(message);
    }

    chat.StartDate = messages.empty() ? std::optional<Date>(Date::now()) : messages.front()->date;
    if (!messages.empty() && hasID(*messages.back())) {
        chat.EndDate = messages.back()->date;
    } else if (messages.size() > 1) {
        for (auto it = messages.rbegin() + 1; it != messages.rend() && !chat.EndDate; ++it) {
            if (hasID(**it) && (*it)->date) chat.EndDate = (*it)->date;
        }
    }
    if (!chat.EndDate) chat.EndDate = chat.StartDate;

    for (const InstantMessage* message : messages) {
        if ((message->flags & FlagSkip) || !(message->flags & FlagRead)) continue;
        std::optional<std::string> sender = message->sender ? message->sender->senderID : std::nullopt;
        if (sender && (message->flags & FlagSenderIsPath)) sender = lastPathComponent(*sender);

        AttributedString copy = message->text ? *message->text : AttributedString();
        bool picture = resolveLinksAndPictures(copy);
        chat.HasPictures = chat.HasPictures || picture;
        if (!chat.HasHyperlinks) chat.HasHyperlinks = searchByWindows(copy.string(), containsLink);
        if (!chat.HasEmails && sender) chat.HasEmails = searchByWindows(copy.string(), containsEmail);

        std::string text = copy.utf8();
        // A system line names its subject by "%@"; other "%" sequences stay as written.
        if (!message->sender && !chat.Participants.empty()) text = formatString(text, {chat.Participants.front()});

        MessageRecord record;
        record.Sender = sender.value_or("");
        record.Timestamp = message->date;
        record.Message = std::move(text);
        record.FromMe = (message->flags & FlagFromMe) != 0;
        record.InlineImage = picture;
        record.RichData = message->text;
        chat.Messages.push_back(std::move(record));
        if (sender) addParticipant(*sender);
    }
    return chat;
}

bool IChatReader::scanChatFile(const std::string& path, TalvDatabase& db) {
    bool loud = verbose();
    if (db.containsChatFile(path)) {
        if (loud) logf("Ignoring {}...", path);
        return true;
    }
    if (loud) logf("[iChat] {}...", path);
    auto chat = readChatFile(path);
    if (!chat) return true;
    return db.addChat(path, chat->Kind, chat->Participants, chat->Messages, chat->StartDate, chat->EndDate, chat->HasHyperlinks,
               chat->HasPictures, chat->HasEmails);
}

}  // namespace talv
