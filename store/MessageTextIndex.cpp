#include "store/MessageTextIndex.h"

#include "platform/Log.h"
#include "store/OrvaneExtras.h"
#include "store/SchemaUpgrade.h"

#include <fmt/format.h>
#include <glib.h>
#include <sqlite3.h>

#include <set>
#include <vector>

namespace talv {
namespace {

// Rowids only (detail=none) and no per-row sizes: the index answers which messages may hold a
// text, the LIKE condition on Messages then decides. Case folding makes the candidates a superset
// of LIKE's ASCII-only folding. A message leaves the index (or the pending list) with its row.
constexpr const char* kCreateStatements[] = {
    "CREATE VIRTUAL TABLE MessagesText USING fts5(Message, content='Messages', content_rowid='ROWID', "
    "tokenize='trigram', detail='none', columnsize=0);",
    // Terms are written to disk when they fill 8 MB rather than FTS5's 1 MB: fewer segments to merge.
    "INSERT INTO MessagesText (MessagesText, rank) VALUES ('hashsize', 8388608);",
    "CREATE TABLE IF NOT EXISTS MessagesTextPending (MessageID INTEGER PRIMARY KEY);",
    "CREATE TRIGGER MessagesTextInsert AFTER INSERT ON Messages BEGIN "
    "INSERT OR IGNORE INTO MessagesTextPending (MessageID) VALUES (new.ROWID); END;",
    "CREATE TRIGGER MessagesTextDelete AFTER DELETE ON Messages BEGIN "
    "INSERT INTO MessagesText (MessagesText, rowid, Message) SELECT 'delete', old.ROWID, old.Message "
    "WHERE NOT EXISTS (SELECT 1 FROM MessagesTextPending WHERE MessageID = old.ROWID); "
    "DELETE FROM MessagesTextPending WHERE MessageID = old.ROWID; END;",
    "CREATE TRIGGER MessagesTextUpdate AFTER UPDATE ON Messages BEGIN "
    "INSERT INTO MessagesText (MessagesText, rowid, Message) SELECT 'delete', old.ROWID, old.Message "
    "WHERE NOT EXISTS (SELECT 1 FROM MessagesTextPending WHERE MessageID = old.ROWID); "
    "DELETE FROM MessagesTextPending WHERE MessageID = old.ROWID; "
    "INSERT OR IGNORE INTO MessagesTextPending (MessageID) VALUES (new.ROWID); END;",
};

constexpr std::int64_t kBatchRows = 100000;

// Indexes every stored message, batch by batch of rowids; false when an insert failed.
bool indexStoredMessages(FMDatabase& db, const MessageTextIndex::Progress& progress) {
    const auto total = db.int64ForQuery("SELECT count(*) AS v FROM Messages;");
    const auto last = db.int64ForQuery("SELECT ifnull(max(ROWID), 0) AS v FROM Messages;");
    if (!total || !last) return false;
    std::int64_t done = 0;
    if (progress) progress(done, *total);
    for (std::int64_t from = 0; from < *last; from += kBatchRows) {
        if (db.executeUpdate("INSERT INTO MessagesText (rowid, Message) SELECT ROWID, Message FROM Messages "
                             "WHERE ROWID > ? AND ROWID <= ?;",
                             {from, from + kBatchRows}) != SQLITE_OK)
            return false;
        done += db.changes();
        if (progress) progress(done, *total);
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

bool MessageTextIndex::create(FMDatabase& db) {
    for (const char* sql : kCreateStatements)
        if (db.executeUpdate(sql) != SQLITE_OK) return false;
    return true;
}

bool MessageTextIndex::indexPending(FMDatabase& db) {
    if (!exists(db)) return true;
    // CROSS JOIN keeps the pending list outside: the planner would otherwise read every message.
    return db.executeUpdate("INSERT INTO MessagesText (rowid, Message) SELECT Messages.ROWID, Messages.Message FROM "
                            "MessagesTextPending CROSS JOIN Messages ON Messages.ROWID = MessagesTextPending.MessageID;") == SQLITE_OK &&
           db.executeUpdate("DELETE FROM MessagesTextPending;") == SQLITE_OK;
}

bool MessageTextIndex::exists(FMDatabase& db) {
    return db.int64ForQuery("SELECT count(*) AS v FROM sqlite_master WHERE type = 'table' AND name = 'MessagesText';")
               .value_or(0) > 0;
}

bool MessageTextIndex::upgrade(FMDatabase& db, const Progress& progress) {
    // A table that exists was made with its triggers in one transaction, and so is complete.
    return upgradeSchema(db, kPreviousSchemaVersion, kSchemaVersion, "build the search index",
                         [&] { return exists(db) || (create(db) && indexStoredMessages(db, progress)); }) != SchemaUpgrade::Failed;
}

std::optional<std::string> MessageTextIndex::candidatesMatching(std::string_view text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;
    // Byte offsets of each character of the current run between wildcards.
    std::vector<std::size_t> run;
    std::set<std::string> trigrams;
    auto takeRun = [&](std::size_t end) {
        for (std::size_t i = 0; i + 3 <= run.size(); ++i) {
            const std::size_t stop = i + 3 < run.size() ? run[i + 3] : end;
            trigrams.insert(std::string(text.substr(run[i], stop - run[i])));
        }
        run.clear();
    };
    for (const char* p = text.data(); p < text.data() + text.size(); p = g_utf8_next_char(p)) {
        const std::size_t at = static_cast<std::size_t>(p - text.data());
        if (*p == '%' || *p == '_') takeRun(at);
        else run.push_back(at);
    }
    takeRun(text.size());
    if (trigrams.empty()) return std::nullopt;
    std::string match;
    for (const std::string& trigram : trigrams) match += (match.empty() ? "" : " ") + quotedForMatch(trigram);
    return fmt::format("SELECT rowid FROM MessagesText WHERE MessagesText MATCH '{}' UNION ALL SELECT MessageID FROM "
                       "MessagesTextPending",
                       sqliteEscapedString(match));
}

}  // namespace talv
