#include "store/TalvDatabase.h"

#include "platform/AttributedString.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "store/ChatContentFlags.h"
#include "store/ConnectionSettings.h"
#include "store/ChatTextIndex.h"
#include "store/OrvaneExtras.h"
#include "store/Transaction.h"
#include "store/TranscriptFile.h"

#include <fmt/format.h>
#include <glib.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace talv {
namespace {

constexpr const char* kCreateTables[] = {
    "CREATE TABLE Chats (ROWID INTEGER PRIMARY KEY, Subject TEXT, FilePath TEXT, FileName TEXT, FileLength INTEGER, "
    "FileModDate REAL, Messages INTEGER, DateStarted REAL, DateEnded REAL, Duration INTEGER, Participants TEXT, "
    "HasHyperlinks INTEGER, HasPictures INTEGER, HasEmails INTEGER, Kind TEXT, Label INTEGER, Deleted INTEGER);",
    "CREATE TABLE Participants (ROWID INTEGER PRIMARY KEY, ChatID INTEGER, Participant TEXT);",
    "CREATE TABLE Messages (ROWID INTEGER PRIMARY KEY, ChatID INTEGER, Participant TEXT, Timestamp REAL, "
    "Message TEXT, FromMe INTEGER, HasPicture INTEGER, PictureID INTEGER, Number INTEGER);",
    "CREATE TABLE Images (ROWID INTEGER PRIMARY KEY, ChatID INTEGER, Data BLOB, Filename TEXT);",
    "CREATE TABLE DirectoryTimestamps (Path TEXT PRIMARY KEY, TS REAL);",
};

constexpr const char* kCreateIndexes[] = {
    "CREATE INDEX MesgChatIDIdx ON Messages (ChatID, Message, Number);",
    "CREATE INDEX PartChatIDIdx ON Participants (ChatID, Participant);",
    "CREATE INDEX ChatsIdx ON Chats (DateStarted, HasHyperlinks, HasEmails, HasPictures, Label, Deleted);",
    "CREATE INDEX ChatsIdx2 ON Chats (Deleted);",
    "CREATE INDEX ImagesIdx ON Images (ROWID);",
    "CREATE INDEX ChatsFPIdx ON Chats (FilePath);",
    "CREATE INDEX ChatsFileIdx ON Chats (FileModDate, FileLength);",
};

constexpr const char* kDropIndexes[] = {
    "DROP INDEX MesgChatIDIdx;", "DROP INDEX PartChatIDIdx;", "DROP INDEX ChatsIdx;",
    "DROP INDEX ChatsIdx2;",     "DROP INDEX ImagesIdx;",
};

constexpr double kMaxDuration = 4294967295.0;

// Whole seconds from start to end, truncated, within 0 .. 2^32-1.
std::int64_t durationBetween(Date start, Date end) {
    const double seconds = std::trunc(end.secondsSince1970 - start.secondsSince1970);
    if (!(seconds > 0)) return 0;  // also NaN
    return static_cast<std::int64_t>(std::min(seconds, kMaxDuration));
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

// The attachment and the inline file path found at the first character that carries either.
struct InlinePicture {
    const TextAttachment* attachment = nullptr;
    const AttributeValue* filePath = nullptr;
};

InlinePicture firstInlinePicture(const AttributedString& text) {
    // Attributes are constant over a run, so the first such run holds the first such character.
    for (const auto& run : text.runs()) {
        if (!run.attributes) continue;
        const auto& attributes = *run.attributes;
        InlinePicture found;
        if (auto it = attributes.find(AttachmentAttributeName); it != attributes.end())
            found.attachment = std::get_if<TextAttachment>(&it->second);
        if (auto it = attributes.find(InlineFilePathAttributeName); it != attributes.end())
            found.filePath = &it->second;
        if (found.attachment || found.filePath) return found;
    }
    return {};
}

}  // namespace

std::optional<TalvDatabase> TalvDatabase::open(IdentityServices* identities) {
    return openAt(Paths::applicationSupport(), identities);
}

std::optional<TalvDatabase> TalvDatabase::openAt(const std::filesystem::path& folder, IdentityServices* identities) {
    const std::filesystem::path file = folder / kFileName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        logf("Cannot open the transcript database \"{}\": cannot create its folder ({})", file.string(), ec.message());
        return std::nullopt;
    }
    FMDatabase db(file.string());
    if (!db.open()) {
        logf("Cannot open the transcript database \"{}\": {}", file.string(), db.lastErrorMessage());
        return std::nullopt;
    }
    db.setBusyTimeout(std::chrono::milliseconds(100));
    db.setLogsErrors(true);
    applyConnectionPragmas(db);
    // SQLite opens any file lazily; reading the schema tells a database from other bytes.
    auto probe = db.executeQuery("SELECT count(*) FROM sqlite_master;");
    if (!probe || !probe->next()) {
        logf("Cannot open the transcript database \"{}\": {}", file.string(), db.lastErrorMessage());
        return std::nullopt;
    }
    probe->close();
    return TalvDatabase(std::move(db), identities);
}

bool TalvDatabase::createTablesAsNeeded() {
    useWriteAheadLog(db_);
    Transaction schema(db_);
    // Read inside the transaction: another program may have made the file meanwhile.
    const auto version = db_.int64ForQuery("PRAGMA user_version;");
    const bool upgradeDue = version && *version <= 0;
    const bool newFile = !hasChatsTable();
    // Each statement runs on every start; on an existing file it fails with "already exists".
    for (const char* sql : kCreateTables) (void)db_.executeUpdate(sql);
    restoreIndexes();
    // A new file has no paths to respell and no messages to index: it starts at the last version.
    bool upgraded = newFile ? ChatTextIndex::create(db_) && ChatContentFlags::create(db_) &&
                                  db_.executeUpdate(fmt::format("PRAGMA user_version = {};", ChatTextIndex::kSchemaVersion)) == SQLITE_OK
                  : !upgradeDue ||
                        (db_.executeUpdate("PRAGMA user_version = 1;") == SQLITE_OK &&
                         // A stored date of 0 never matches a file, so every Adium chat is read again.
                         db_.executeUpdate("UPDATE Chats SET FileModDate = 0, FileLength = 0 WHERE Kind = 'Adium';") == SQLITE_OK &&
                         db_.executeUpdate("DELETE FROM DirectoryTimestamps;") == SQLITE_OK);
    if (upgraded && schema.commit()) return true;
    logf("Cannot prepare the transcript database \"{}\": {}", db_.databasePath(), db_.lastErrorMessage());
    return false;
}

bool TalvDatabase::hasChatsTable() {
    auto rs = db_.executeQuery("SELECT count(*) AS n FROM sqlite_master WHERE type = 'table' AND name = 'Chats';");
    const bool found = rs && rs->next() && rs->int64ForColumn("n") > 0;
    if (rs) rs->close();
    return found;
}

void TalvDatabase::restoreIndexes() {
    // Failures are "already exists" on an existing file.
    for (const char* sql : kCreateIndexes) (void)db_.executeUpdate(sql);
}

void TalvDatabase::removeIndexes() {
    for (const char* sql : kDropIndexes) (void)db_.executeUpdate(sql);
}

std::optional<Date> TalvDatabase::timestampForDirectory(const std::string& path) {
    auto rs = db_.executeQuery("SELECT TS FROM DirectoryTimestamps WHERE Path = ?;", {path});
    if (!rs || !rs->next()) return std::nullopt;
    auto date = rs->dateForColumn("ts");
    rs->close();
    return date;
}

bool TalvDatabase::setTimestampForDirectory(Date date, const std::string& path) {
    lastWriteError_.clear();
    std::optional<bool> exists;
    if (auto rs = db_.executeQuery("SELECT Path FROM DirectoryTimestamps WHERE Path = ?;", {path})) {
        exists = rs->next();
        if (rs->stepFailed()) exists.reset();
        rs->close();
    }
    if (!exists) return writeFailed(db_.lastErrorCode());
    const int rc = *exists ? db_.executeUpdate("UPDATE DirectoryTimestamps SET TS = ? WHERE Path = ?", {date, path})
                           : db_.executeUpdate("INSERT INTO DirectoryTimestamps (Path, TS) VALUES (?, ?)", {path, date});
    if (rc != SQLITE_OK) return writeFailed(rc);
    if (db_.changes() == 1) return true;
    lastWriteError_ = "the folder's timestamp was not stored";
    return false;
}

bool TalvDatabase::containsChatFile(const std::string& path) {
    std::error_code ec;
    if (const auto attributes = transcriptFileAttributes(path, FileSystem::local(), ec))
        return containsChatFile(path, *attributes);
    // A file that cannot be examined has nothing to index; with no row the answer stays false.
    auto rs = db_.executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {path});
    return rs && rs->next();
}

bool TalvDatabase::containsChatFile(const std::string& path, const TranscriptFileAttributes& file) {
    auto rs = db_.executeQuery("SELECT ROWID, FileModDate, FileLength, Deleted FROM Chats WHERE FilePath = ?;", {path});
    if (!rs || !rs->next()) return false;
    const bool deleted = rs->intForColumn("Deleted") != 0;
    const Date stored = rs->dateForColumn("FileModDate").value_or(Date{});
    const std::int64_t length = rs->int64ForColumn("FileLength");
    rs->close();
    // Any difference counts: a line appended within a second of the last indexing is news.
    return deleted || (stored == file.modificationDate && length == static_cast<std::int64_t>(file.size));
}

struct TalvDatabase::ChatRow {
    std::optional<std::int64_t> existing;
    std::vector<SqlValue> columns;  // Subject to Participants, in the order of the statements
};

bool TalvDatabase::writeFailed(int code) {
    lastWriteError_ = fmt::format("{} (rc = {})", db_.lastErrorMessage(), code);
    return false;
}

bool TalvDatabase::addChat(const std::string& path, const std::string& kind, const std::vector<std::string>& participants,
                           const std::vector<MessageRecord>& messages, std::optional<Date> startDate,
                           std::optional<Date> endDate, bool hasHyperlinks, bool hasPictures, bool hasEmails,
                           const std::optional<TranscriptFileAttributes>& examined) {
    lastWriteError_.clear();
    if (!identities_) {
        lastWriteError_ = "the store has no identity services";
        logf("Cannot store the chat \"{}\": {}", path, lastWriteError_);
        return false;
    }
    // A file that vanished after it was read is stored with a date of 0, so it is read again.
    std::error_code ec;
    const TranscriptFileAttributes file =
        examined ? *examined : transcriptFileAttributes(path, FileSystem::local(), ec).value_or(TranscriptFileAttributes{});
    const std::string subject = messages.empty() ? std::string() : messages.front().Message;

    // Dates never stay NULL: sorting and the date filters compare them.
    const Date start = startDate.value_or(endDate.value_or(file.modificationDate));
    const Date end = endDate.value_or(start);

    std::vector<std::string> names;
    names.reserve(participants.size());
    for (const auto& handle : participants) names.push_back(identities_->participantName(handle));
    ChatRow row{std::nullopt,
                {subject, path, lastPathComponent(path), file.size, file.modificationDate, messages.size(), start, end,
                 durationBetween(start, end), hasHyperlinks, hasPictures, hasEmails, kind, joined(names, ", ")}};

    // A chat is written whole or not at all: inside the pass's transaction a savepoint, alone a
    // transaction of its own, so that a failed statement never leaves a chat that is not read again.
    std::optional<Transaction> own;
    if (!db_.inTransaction()) own.emplace(db_);
    Savepoint chat(db_, "chat");
    // A renamed transcript is the same chat: listing it under both names would show it twice.
    // Alone, the chat's text enters the search index before its transaction commits.
    const bool stored = (!own || own->began()) && chat.began() && findChat(path, row.existing) &&
                        (row.existing || findMovedChat(kind, file, row.existing)) && writeChat(row, participants, messages) &&
                        chat.release() && (!own || (indexPendingChats() && own->commit()));
    if (!stored) {
        if (lastWriteError_.empty()) writeFailed(db_.lastErrorCode());
        logf("Cannot store the chat \"{}\": {}", path, lastWriteError_);
        return false;
    }
    if (row.existing) identities_->removeCachedChat(*row.existing);
    return true;
}

bool TalvDatabase::indexPendingChats() {
    lastWriteError_.clear();
    if (ChatTextIndex::indexPending(db_, lastWriteError_)) return true;
    logf("Cannot index the text of the chats just stored in \"{}\": {}", db_.databasePath(), lastWriteError_);
    return false;
}

bool TalvDatabase::findChat(const std::string& path, std::optional<std::int64_t>& chatID) {
    auto rs = db_.executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {path});
    if (!rs) return writeFailed(db_.lastErrorCode());
    if (rs->next()) chatID = rs->int64ForColumn("ROWID");
    rs->close();
    return !rs->stepFailed() || writeFailed(db_.lastErrorCode());
}

bool TalvDatabase::findMovedChat(const std::string& kind, const TranscriptFileAttributes& file,
                                 std::optional<std::int64_t>& chatID) {
    if (file.modificationDate == Date{}) return true;  // a file that vanished has nothing to match
    auto rs = db_.executeQuery("SELECT ROWID, FilePath FROM Chats WHERE FileModDate = ? AND FileLength = ? AND Kind = ? "
                               "AND Deleted = 0;",
                               {file.modificationDate, file.size, kind});
    if (!rs) return writeFailed(db_.lastErrorCode());
    while (!chatID && rs->next()) {
        std::error_code ec;
        const auto stored = rs->stringForColumn("FilePath");
        if (stored && !std::filesystem::exists(*stored, ec) && !ec) chatID = rs->int64ForColumn("ROWID");
    }
    rs->close();
    return !rs->stepFailed() || writeFailed(db_.lastErrorCode());
}

bool TalvDatabase::writeChat(const ChatRow& chat, const std::vector<std::string>& participants,
                             const std::vector<MessageRecord>& messages) {
    auto failed = [&](int rc) {
        if (rc == SQLITE_OK) return false;
        writeFailed(rc);
        return true;
    };
    std::int64_t chatID = 0;
    if (chat.existing) {
        chatID = *chat.existing;
        for (const char* sql : {"DELETE FROM Participants WHERE ChatID = ?;", "DELETE FROM Messages WHERE ChatID = ?;",
                                "DELETE FROM Images WHERE ChatID = ?;"})
            if (failed(db_.executeUpdate(sql, {chatID}))) return false;
        std::vector<SqlValue> row = chat.columns;
        row.emplace_back(chatID);
        if (failed(db_.executeUpdate(
                "UPDATE Chats SET Subject = ?, FilePath = ?, FileName = ?, FileLength = ?, FileModDate = ?, "
                "Messages = ?, DateStarted = ?, DateEnded = ?, Duration = ?, HasHyperlinks = ?, HasPictures = ?, "
                "HasEmails = ?, Kind = ?, Participants = ?, Deleted = 0 WHERE ROWID = ?;",
                row)))
            return false;
    } else {
        const int rc = db_.executeUpdate(
            "INSERT INTO Chats (Subject, FilePath, FileName, FileLength, FileModDate, Messages, DateStarted, "
            "DateEnded, Duration, HasHyperlinks, HasPictures, HasEmails, Kind, Participants, Deleted) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0);",
            chat.columns);
        if (rc != SQLITE_OK) {
            logf("Failed db insert (rc = {}, {})", rc, db_.lastErrorMessage());
            return writeFailed(rc);
        }
        chatID = db_.lastInsertRowId();
    }

    for (const auto& handle : participants)
        if (failed(db_.executeUpdate("INSERT INTO Participants (ChatID, Participant) VALUES(?, ?)", {chatID, handle})))
            return false;

    const Date indexed = Date::now();
    std::int64_t number = 0;
    for (const auto& message : messages) {
        ++number;
        std::optional<std::int64_t> pictureID;
        if (!storeInlineImage(chatID, message, pictureID)) return false;
        if (failed(db_.executeUpdate("INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, FromMe, "
                                     "HasPicture, PictureID) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                                     {chatID, number, message.Sender, message.Timestamp.value_or(indexed),
                                      message.Message, message.FromMe, message.InlineImage, pictureID})))
            return false;
    }
    return true;
}

bool TalvDatabase::storeInlineImage(std::int64_t chatID, const MessageRecord& message,
                                    std::optional<std::int64_t>& pictureID) {
    if (!message.InlineImage || !message.RichData) return true;
    const InlinePicture picture = firstInlinePicture(*message.RichData);
    if (!picture.attachment || !picture.attachment->fileWrapper) return true;
    const FileWrapper& wrapper = *picture.attachment->fileWrapper;
    const Bytes* contents = wrapper.regularFileContents();
    if (!contents) return true;
    auto blob = compressedData(*contents);
    if (!blob) return true;  // too long for the blob's length field: the message goes without it

    // Real iChat files mark a picture by its attachment alone; then the wrapper names the file.
    std::string filename;
    if (picture.filePath) {
        if (const auto* value = std::get_if<Value>(picture.filePath); value && value->asText())
            filename = lastPathComponent(*value->asText());
    } else {
        filename = lastPathComponent(wrapper.preferredFilename);
    }
    const int rc = db_.executeUpdate("INSERT INTO Images (ChatID, Data, Filename) VALUES(?, ?, ?);",
                                     {chatID, std::move(*blob), filename});
    if (rc != SQLITE_OK) return writeFailed(rc);
    pictureID = db_.lastInsertRowId();
    return true;
}

std::optional<ImageRecord> TalvDatabase::imageWithID(std::int64_t imageID) {
    auto rs = db_.executeQuery("SELECT Data, Filename, ChatID FROM Images WHERE ROWID = ?;", {imageID});
    if (!rs || !rs->next()) return std::nullopt;
    ImageRecord image;
    image.ID = imageID;
    if (auto blob = rs->dataForColumn("Data")) image.Data = uncompressedData(*blob);
    image.Filename = rs->stringForColumn("Filename");
    image.ChatID = rs->int64ForColumn("ChatID");
    rs->close();
    return image;
}

std::optional<ImageRecord> TalvDatabase::imageWithLink(std::string_view url) {
    gchar* scheme = nullptr;
    gchar* host = nullptr;
    const std::string text(url);
    if (!g_uri_split(text.c_str(), G_URI_FLAGS_NONE, &scheme, nullptr, &host, nullptr, nullptr, nullptr, nullptr,
                     nullptr)) {
        return std::nullopt;
    }
    const bool ours = scheme && g_ascii_strcasecmp(scheme, "talvimage") == 0;
    // Read as an integer the way a number at the start of a text is read: "12" and "12x" are 12.
    const std::int64_t imageID = host ? std::strtoll(host, nullptr, 10) : 0;
    g_free(scheme);
    g_free(host);
    if (!ours) return std::nullopt;
    return imageWithID(imageID);
}

}  // namespace talv
