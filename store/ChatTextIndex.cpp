#include "store/ChatTextIndex.h"

#include "platform/Log.h"
#include "store/OrvaneExtras.h"
#include "store/SchemaUpgrade.h"
#include "store/Transaction.h"

#include <fmt/format.h>
#include <glib.h>
#include <sqlite3.h>

#include <set>
#include <vector>

namespace talv {
namespace {

// The rows of Messages that make a chat's document, and the texts of a group of them, each framed by
// "\1\1" on both sides: a trigram that spans two texts is then "\1\1\1", whatever their order, and
// the document taken out is the document put in. The index holds lower() of it (ASCII letters only,
// as LIKE folds them). The triggers call no scalar function (lower, char, typeof): SQLite then spends
// about 5 µs each time a trigger fires, even when its condition is false, more than the rest of the
// index costs.
constexpr const char* kDocumentRows = "Participant <> '' AND Message IS NOT NULL";
constexpr const char* kDocumentTexts = "group_concat('\1\1' || Message || '\1\1', '')";

// A trigger listing the chat (new.ChatID or old.ChatID) as pending, with the document the index holds
// for it, made from its rows as they are before the first of them changes. It writes no virtual table
// and cannot fail on a constraint: either would make SQLite journal every insert into Messages. A
// ChatID that is not an integer names no chat; its cast (to the chat of its integer part, or 0) lists
// a chat that did not change, which costs nothing but its indexing.
std::string trigger(std::string_view name, std::string_view event, std::string_view chat) {
    const std::string id = fmt::format("CAST({} AS INTEGER)", chat);
    return fmt::format("CREATE TRIGGER {0} BEFORE {1} ON Messages WHEN {2} IS NOT NULL AND NOT EXISTS (SELECT 1 FROM "
                       "ChatsTextPending WHERE ChatID = {3}) BEGIN INSERT OR IGNORE INTO ChatsTextPending (ChatID, "
                       "IndexedDocument) VALUES ({3}, (SELECT {4} FROM Messages WHERE ChatID = {3} AND {5})); END;",
                       name, event, chat, id, kDocumentTexts, kDocumentRows);
}

// Puts in the documents of the chats whose IDs pass `chats`, in the order of their IDs.
std::string insertDocuments(std::string_view chats) {
    return fmt::format("INSERT INTO ChatsText (rowid, Document) SELECT ChatID, lower({}) FROM Messages WHERE {} AND {} GROUP BY "
                       "ChatID;",
                       kDocumentTexts, chats, kDocumentRows);
}

std::vector<std::string> createStatements() {
    return {
        // Rowids only (detail=none) and no per-row sizes: the index answers which chats may hold a text.
        "CREATE VIRTUAL TABLE ChatsText USING fts5(Document, content='', tokenize='trigram case_sensitive 1', "
        "detail='none', columnsize=0);",
        // Terms are written to disk when they fill 8 MB rather than FTS5's 1 MB: fewer segments to merge.
        "INSERT INTO ChatsText (ChatsText, rank) VALUES ('hashsize', 8388608);",
        "CREATE TABLE ChatsTextPending (ChatID INTEGER PRIMARY KEY, IndexedDocument TEXT);",
        trigger("ChatsTextMessageInsert", "INSERT", "new.ChatID"),
        trigger("ChatsTextMessageDelete", "DELETE", "old.ChatID"),
        trigger("ChatsTextMessageMovedFrom", "UPDATE OF ChatID, Participant, Message", "old.ChatID"),
        trigger("ChatsTextMessageMovedTo", "UPDATE OF ChatID, Participant, Message", "new.ChatID"),
    };
}

// The message-by-message index of earlier builds.
constexpr const char* kRetiredStatements[] = {
    "DROP TRIGGER IF EXISTS MessagesTextInsert;", "DROP TRIGGER IF EXISTS MessagesTextDelete;",
    "DROP TRIGGER IF EXISTS MessagesTextUpdate;", "DROP TABLE IF EXISTS MessagesText;",
    "DROP TABLE IF EXISTS MessagesTextPending;",
};

constexpr std::size_t kBatchChats = 2000;
// A row whose ChatID names a chat (an integer).
constexpr const char* kChatIDIsInteger = "ChatID = CAST(ChatID AS INTEGER)";

// Indexes every chat with messages, batch by batch of chat IDs; false when a statement failed.
bool indexStoredChats(FMDatabase& db, const ChatTextIndex::Progress& progress) {
    std::vector<std::int64_t> chats;
    auto rows = db.executeQuery(fmt::format("SELECT DISTINCT ChatID FROM Messages WHERE {} ORDER BY ChatID;", kChatIDIsInteger));
    if (!rows) return false;
    while (rows->next()) chats.push_back(rows->int64ForColumn("ChatID"));
    rows->close();
    if (rows->stepFailed()) return false;
    const auto total = static_cast<std::int64_t>(chats.size());
    if (progress) progress(0, total);
    const std::string insert = insertDocuments(fmt::format("ChatID BETWEEN ? AND ? AND {}", kChatIDIsInteger));
    for (std::size_t from = 0; from < chats.size(); from += kBatchChats) {
        const std::size_t last = std::min(from + kBatchChats, chats.size()) - 1;
        if (db.executeUpdate(insert, {chats[from], chats[last]}) != SQLITE_OK) return false;
        if (progress) progress(static_cast<std::int64_t>(last + 1), total);
    }
    return true;
}

// A text between double quotes in an FTS5 query: inner quotes doubled.
std::string quotedForMatch(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

}  // namespace

bool ChatTextIndex::create(FMDatabase& db) {
    for (const std::string& sql : createStatements())
        if (db.executeUpdate(sql) != SQLITE_OK) return false;
    return true;
}

bool ChatTextIndex::indexPending(FMDatabase& db, std::string& error) {
    if (!exists(db) || db.int64ForQuery("SELECT EXISTS (SELECT 1 FROM ChatsTextPending) AS v;") == 0) return true;
    // The documents and the list change together, or neither does.
    Savepoint indexing(db, "chats_text");
    const bool indexed =
        indexing.began() &&
        db.executeUpdate("INSERT INTO ChatsText (ChatsText, rowid, Document) SELECT 'delete', ChatID, lower(IndexedDocument) FROM "
                         "ChatsTextPending WHERE IndexedDocument IS NOT NULL;") == SQLITE_OK &&
        db.executeUpdate(insertDocuments("ChatID IN (SELECT ChatID FROM ChatsTextPending)")) == SQLITE_OK &&
        db.executeUpdate("DELETE FROM ChatsTextPending;") == SQLITE_OK && indexing.release();
    if (!indexed) error = db.lastErrorMessage();  // before the savepoint rolls back
    return indexed;
}

bool ChatTextIndex::exists(FMDatabase& db) {
    return db.int64ForQuery("SELECT count(*) AS v FROM sqlite_master WHERE type = 'table' AND name = 'ChatsText';").value_or(0) > 0;
}

bool ChatTextIndex::upgrade(FMDatabase& db, const Progress& progress) {
    auto replaceRetiredIndex = [&] {
        if (exists(db)) return true;  // made with its triggers in one transaction, and so complete
        for (const char* sql : kRetiredStatements)
            if (db.executeUpdate(sql) != SQLITE_OK) return false;
        return create(db) && indexStoredChats(db, progress);
    };
    return upgradeSchema(db, kPreviousSchemaVersion, kSchemaVersion, "build the search index", replaceRetiredIndex) !=
           SchemaUpgrade::Failed;
}

std::optional<ChatTextIndex::Candidates> ChatTextIndex::candidatesMatching(std::string_view text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;
    // Byte offsets of each character of the current run between wildcards.
    std::vector<std::size_t> run;
    std::set<std::string> trigrams;
    std::size_t characters = 0;
    auto takeRun = [&](std::size_t end) {
        for (std::size_t i = 0; i + 3 <= run.size(); ++i) {
            const std::size_t stop = i + 3 < run.size() ? run[i + 3] : end;
            gchar* lowered = g_ascii_strdown(text.data() + run[i], static_cast<gssize>(stop - run[i]));
            trigrams.insert(lowered);
            g_free(lowered);
        }
        run.clear();
    };
    for (const char* p = text.data(); p < text.data() + text.size(); p = g_utf8_next_char(p), ++characters) {
        const std::size_t at = static_cast<std::size_t>(p - text.data());
        if (*p == '%' || *p == '_') takeRun(at);
        else run.push_back(at);
    }
    const bool oneRun = run.size() == characters;
    takeRun(text.size());
    if (trigrams.empty()) return std::nullopt;
    std::string match;
    for (const std::string& trigram : trigrams) match += (match.empty() ? "" : " ") + quotedForMatch(trigram);
    // "\1" frames each text in the documents: a trigram holding it may span two messages.
    // A pending chat's document in the index is the one it had before its messages changed.
    return Candidates{fmt::format("SELECT rowid FROM ChatsText WHERE ChatsText MATCH '{}' AND rowid NOT IN (SELECT ChatID FROM "
                                  "ChatsTextPending)",
                                  sqliteEscapedString(match)),
                      oneRun && characters == 3 && text.find('\1') == std::string_view::npos};
}

}  // namespace talv
