#include "actions/ChatDeletion.h"

#include "identity/CacheIdentityServices.h"
#include "identity/TalvCacheDatabase.h"
#include "import/TranscriptReading.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "store/DatabaseCheck.h"
#include "store/TalvDatabase.h"
#include "store/Transaction.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace talv {
namespace {

ChatDeletion outcome(ChatDeletion::Status status, std::string message) { return {status, std::move(message), std::nullopt}; }

std::string archiveProblem(FMDatabase& db) { return unreadableDatabaseMessage(db.databasePath(), db.lastErrorMessage()); }

std::string writeProblem(const std::string& path, const std::string& reason) {
    return formatString(tr("The archive \"%@\" could not be changed: %@."), {path, reason});
}

bool exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// The messages and participants go; the row stays, emptied and marked, with its file's path,
// size and date, so that the scan takes the file as indexed. Pictures stay.
bool markDeleted(FMDatabase& db, std::int64_t chatID, std::string& error) {
    Transaction transaction(db);
    const bool done =
        transaction.began() && db.executeUpdate("DELETE FROM Messages WHERE ChatID = ?;", {chatID}) == 0 &&
        db.executeUpdate("DELETE FROM Participants WHERE ChatID = ?;", {chatID}) == 0 &&
        db.executeUpdate("UPDATE Chats SET Subject = NULL, DateStarted = NULL, DateEnded = NULL, Duration = NULL, "
                         "HasHyperlinks = 0, HasPictures = 0, HasEmails = 0, Kind = NULL, Deleted = 1 WHERE ROWID = ?;",
                         {chatID}) == 0 &&
        transaction.commit();
    if (!done) error = db.lastErrorMessage();  // before the rollback
    return done;
}

// The cached page only saves work: failing to remove it is logged, not reported.
void removeCachedPage(std::int64_t chatID) {
    auto cache = TalvCacheDatabase::open();
    if (!cache || cache->db().executeUpdate("DELETE FROM ChatsCache WHERE ChatID = ?;", {chatID}) != 0)
        logf("The cached page of the deleted chat {} stays in the identity cache", chatID);
}

}  // namespace

ChatDeletion deleteChat(std::int64_t chatID, bool moveToTrash) {
    auto store = TalvDatabase::open();
    if (!store) return outcome(ChatDeletion::Status::Failed, tr("The archive cannot be opened."));
    FMDatabase& db = store->db();
    auto row = db.executeQuery("SELECT FilePath, Deleted FROM Chats WHERE ROWID = ?;", {chatID});
    const bool found = row && row->next();
    if (!row || (!found && lastStatementFailed(db))) return outcome(ChatDeletion::Status::Failed, archiveProblem(db));
    if (!found || row->intForColumn("Deleted") != 0) {
        return outcome(ChatDeletion::Status::NoSuchChat, formatString(tr("The archive holds no chat %d."), {chatID}));
    }
    const std::string path = row->stringForColumn("FilePath").value_or("");
    row->close();

    const bool fileExists = exists(path);
    std::optional<TrashedItem> trashed;
    if (moveToTrash && fileExists) {
        TrashMove move = talv::moveToTrash(path);
        if (!move.moved) {
            return outcome(ChatDeletion::Status::TrashFailed,
                           formatString(tr("The transcript file \"%@\" could not be moved to the Trash: %@."), {path, move.error}));
        }
        trashed = std::move(move.item);
    }
    std::string error;
    if (!markDeleted(db, chatID, error)) {
        std::string problem = writeProblem(db.databasePath(), error);
        if (trashed && !restoreFromTrash(*trashed, error))
            problem += " " + formatString(tr("The transcript file stays in the Trash: %@."), {error});
        return outcome(ChatDeletion::Status::Failed, problem);
    }
    removeCachedPage(chatID);

    ChatDeletion deletion{ChatDeletion::Status::Deleted, {}, std::nullopt};
    if (fileExists && (!moveToTrash || trashed)) deletion.undo = DeletedChat{chatID, path, std::move(trashed)};
    return deletion;
}

std::string undoDeletion(const DeletedChat& chat) {
    std::string error;
    if (chat.trashed && !restoreFromTrash(*chat.trashed, error))
        return formatString(tr("The transcript file cannot be put back from the Trash: %@."), {error});
    const std::optional<ChatRecord> record = readTranscriptFile(chat.filePath);
    if (!record) return formatString(tr("The transcript file \"%@\" cannot be read again."), {chat.filePath});
    CacheIdentityServices identities;
    auto store = TalvDatabase::open(&identities);
    if (!store) return tr("The archive cannot be opened.");
    // The row of the path is rewritten in place: the chat keeps its ID and loses its mark.
    if (!store->addChat(chat.filePath, record->Kind, record->Participants, record->Messages, record->StartDate,
                        record->EndDate, record->HasHyperlinks, record->HasPictures, record->HasEmails))
        return writeProblem(store->db().databasePath(), store->lastWriteError());
    return {};
}

}  // namespace talv
