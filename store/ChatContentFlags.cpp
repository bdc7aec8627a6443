#include "store/ChatContentFlags.h"

#include "platform/Log.h"
#include "store/SchemaUpgrade.h"

#include <sqlite3.h>

#include <chrono>

namespace talv {
namespace {

// A flag is set by the first row of its chat and cleared when the last one goes; a row moved to
// another chat, or a chat row inserted (or renumbered) after its rows, recounts. The columns are
// not NOT NULL: a constraint the triggers' UPDATE could break makes every insert into Messages
// open a statement journal, which cost a third more indexing time.
constexpr const char* kCreateStatements[] = {
    "ALTER TABLE Chats ADD COLUMN HasMessageRows INTEGER DEFAULT 0;",
    "ALTER TABLE Chats ADD COLUMN HasParticipantRows INTEGER DEFAULT 0;",
    "UPDATE Chats SET HasMessageRows = EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = Chats.ROWID), "
    "HasParticipantRows = EXISTS (SELECT 1 FROM Participants WHERE Participants.ChatID = Chats.ROWID);",
    "CREATE INDEX ChatsListIdx ON Chats (DateStarted, HasHyperlinks, HasEmails, HasPictures, Label, Deleted, HasMessageRows, "
    "HasParticipantRows, Duration);",
    "CREATE TRIGGER ChatFlagsMessageInsert AFTER INSERT ON Messages BEGIN "
    "UPDATE Chats SET HasMessageRows = 1 WHERE ROWID = new.ChatID AND HasMessageRows IS NOT 1; END;",
    "CREATE TRIGGER ChatFlagsMessageDelete AFTER DELETE ON Messages BEGIN "
    "UPDATE Chats SET HasMessageRows = 0 WHERE ROWID = old.ChatID AND HasMessageRows IS NOT 0 "
    "AND NOT EXISTS (SELECT 1 FROM Messages WHERE ChatID = old.ChatID); END;",
    "CREATE TRIGGER ChatFlagsMessageMove AFTER UPDATE OF ChatID ON Messages BEGIN "
    "UPDATE Chats SET HasMessageRows = EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = Chats.ROWID) "
    "WHERE ROWID IN (old.ChatID, new.ChatID); END;",
    "CREATE TRIGGER ChatFlagsParticipantInsert AFTER INSERT ON Participants BEGIN "
    "UPDATE Chats SET HasParticipantRows = 1 WHERE ROWID = new.ChatID AND HasParticipantRows IS NOT 1; END;",
    "CREATE TRIGGER ChatFlagsParticipantDelete AFTER DELETE ON Participants BEGIN "
    "UPDATE Chats SET HasParticipantRows = 0 WHERE ROWID = old.ChatID AND HasParticipantRows IS NOT 0 "
    "AND NOT EXISTS (SELECT 1 FROM Participants WHERE ChatID = old.ChatID); END;",
    "CREATE TRIGGER ChatFlagsParticipantMove AFTER UPDATE OF ChatID ON Participants BEGIN "
    "UPDATE Chats SET HasParticipantRows = EXISTS (SELECT 1 FROM Participants WHERE Participants.ChatID = Chats.ROWID) "
    "WHERE ROWID IN (old.ChatID, new.ChatID); END;",
    "CREATE TRIGGER ChatFlagsChatInsert AFTER INSERT ON Chats BEGIN "
    "UPDATE Chats SET HasMessageRows = EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = new.ROWID), "
    "HasParticipantRows = EXISTS (SELECT 1 FROM Participants WHERE Participants.ChatID = new.ROWID) WHERE ROWID = new.ROWID; END;",
    "CREATE TRIGGER ChatFlagsChatRenumber AFTER UPDATE OF ROWID ON Chats BEGIN "
    "UPDATE Chats SET HasMessageRows = EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = new.ROWID), "
    "HasParticipantRows = EXISTS (SELECT 1 FROM Participants WHERE Participants.ChatID = new.ROWID) WHERE ROWID = new.ROWID; END;",
};

}  // namespace

bool ChatContentFlags::create(FMDatabase& db) {
    for (const char* sql : kCreateStatements)
        if (db.executeUpdate(sql) != SQLITE_OK) return false;
    return true;
}

bool ChatContentFlags::exist(FMDatabase& db) {
    return db.int64ForQuery("SELECT count(*) FROM pragma_table_info('Chats') WHERE name = 'HasMessageRows';").value_or(0) > 0;
}

bool ChatContentFlags::upgrade(FMDatabase& db) {
    const auto started = std::chrono::steady_clock::now();
    // Columns that exist were made with their triggers in one transaction, and so are complete.
    const SchemaUpgrade outcome = upgradeSchema(db, kPreviousSchemaVersion, kSchemaVersion,
                                                "set the chats' message and participant flags",
                                                [&] { return exist(db) || create(db); });
    if (outcome == SchemaUpgrade::Upgraded) {
        const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        logf("Set the chats' message and participant flags of \"{}\" in {:.1f} s", db.databasePath(), elapsed);
    }
    return outcome != SchemaUpgrade::Failed;
}

}  // namespace talv
