#pragma once
// The transcript database "Transcripts Database": chats, their participants, messages and
// inline images, and the per-folder scan timestamps. Creates and upgrades the schema, writes
// one chat at a time, tells whether a transcript needs indexing and serves stored images.
// Other readers issue their own statements through db().
// Thread: one store per thread; its connection is never shared.
#include "platform/Date.h"
#include "platform/Value.h"
#include "store/ChatRecord.h"
#include "store/FMDatabase.h"
#include "store/IdentityServices.h"
#include "store/TranscriptFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

// One stored inline image.
struct ImageRecord {
    std::int64_t ID = 0;
    std::optional<Bytes> Data;            // absent when the stored blob does not decompress
    std::optional<std::string> Filename;  // absent when NULL
    std::int64_t ChatID = 0;
};

class TalvDatabase {
public:
    static constexpr std::string_view kFileName = "Transcripts Database";
    // Opens "Transcripts Database" in the application-support folder (see openAt).
    static std::optional<TalvDatabase> open(IdentityServices* identities = nullptr);
    // Opens (creating the folder with its parents, and the file) `folder`/"Transcripts Database":
    // busy timeout 100 ms, error logging on, synchronous off, temporary tables in memory, 4000
    // cache pages. None, with a log line, when the file cannot be opened or is not a database.
    // `identities` serves addChat and must outlive the store; stores that never write chats
    // may pass none.
    static std::optional<TalvDatabase> openAt(const std::filesystem::path& folder, IdentityServices* identities = nullptr);

    FMDatabase& db() { return db_; }

    // Puts the file in WAL mode (readers never wait for a writer; an older file is converted),
    // creates missing tables and indexes ("already exists" failures ignored) and upgrades an
    // unversioned file to version 1, inside one transaction. A new file also gets the search
    // index (ChatTextIndex) and the chats' content flags (ChatContentFlags) and starts at the
    // index's version. False, with a log line, when that
    // transaction did not commit (a read-only file, a full disk); a file that cannot change its
    // journal mode is logged and kept as it is.
    [[nodiscard]] bool createTablesAsNeeded();
    // The six indexes, in order, and ChatsFileIdx, which finds moved transcripts; removeIndexes
    // drops all but ChatsFPIdx, ChatsFileIdx and ChatsListIdx (ChatContentFlags), for bulk loading.
    void restoreIndexes();
    void removeIndexes();

    std::optional<Date> timestampForDirectory(const std::string& path);
    // False when the date was not stored.
    [[nodiscard]] bool setTimestampForDirectory(Date date, const std::string& path);

    // True when the file needs no indexing: its chat was deleted by the user, or it is stored with
    // exactly this size and modification date (a file changes when either differs at all). The
    // first form examines the file itself, and answers true when it is gone.
    bool containsChatFile(const std::string& path);
    bool containsChatFile(const std::string& path, const TranscriptFileAttributes& file);

    // Indexes the text of the chats written (or changed) since the last time, all together: a pass
    // does so before it commits. False, with a log line, when that failed: the chats then stay
    // pending, searches still find them, and lastWriteError() tells why.
    [[nodiscard]] bool indexPendingChats();

    // Writes one chat, all or nothing: inside a savepoint of the caller's transaction, or in a
    // transaction of its own when none is open. An existing row for `path` is rewritten in place
    // (same ROWID and Label) with its participants, messages and images replaced. False when any
    // statement failed: then nothing of the chat changed and lastWriteError() tells why. A
    // transcript that was moved or renamed (a live row of the same kind, size and modification
    // date whose file is gone) keeps its row, which then points at `path`. `file` is what the
    // caller examined before reading the file (stored as the file's size and date); without it
    // the file is examined now.
    // REQUIRES: a store opened with identity services.
    [[nodiscard]] bool addChat(const std::string& path, const std::string& kind, const std::vector<std::string>& participants,
                 const std::vector<MessageRecord>& messages, std::optional<Date> startDate,
                 std::optional<Date> endDate, bool hasHyperlinks, bool hasPictures, bool hasEmails,
                 const std::optional<TranscriptFileAttributes>& file = std::nullopt);

    // The SQLite error of the last write that failed here, with its code.
    const std::string& lastWriteError() const { return lastWriteError_; }

    std::optional<ImageRecord> imageWithID(std::int64_t imageID);
    // The image of a "talvimage://<ID>" link; none for any other scheme.
    std::optional<ImageRecord> imageWithLink(std::string_view url);

private:
    TalvDatabase(FMDatabase db, IdentityServices* identities) : db_(std::move(db)), identities_(identities) {}
    struct ChatRow;
    bool hasChatsTable();
    // The ROWID of the chat stored for `path`, if any; false when the lookup failed.
    bool findChat(const std::string& path, std::optional<std::int64_t>& chatID);
    // The live chat of a transcript of this kind, size and date whose file is gone, if any; false
    // when the lookup failed.
    bool findMovedChat(const std::string& kind, const TranscriptFileAttributes& file, std::optional<std::int64_t>& chatID);
    // The statements of addChat inside its savepoint; false at the first that fails.
    bool writeChat(const ChatRow& chat, const std::vector<std::string>& participants,
                   const std::vector<MessageRecord>& messages);
    // The stored picture of a message's rich text, none when it has none; false when its insert failed.
    bool storeInlineImage(std::int64_t chatID, const MessageRecord& message, std::optional<std::int64_t>& pictureID);
    // Records the connection's current error as lastWriteError(); always false.
    bool writeFailed(int code);

    FMDatabase db_;
    IdentityServices* identities_;  // not owned; may be none
    std::string lastWriteError_;
};

}  // namespace talv
