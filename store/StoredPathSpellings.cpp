#include "store/StoredPathSpellings.h"

#include "platform/Log.h"
#include "platform/Paths.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <map>
#include <vector>

namespace talv {
namespace {

constexpr int kCanonicalPathsVersion = 2;

// The canonical spelling of a stored path; a folder's trailing "/" stays, as the scan spells it.
std::string canonicalSpelling(const std::string& stored) {
    std::string canonical = Paths::canonical(stored).string();
    if (stored.size() > 1 && stored.back() == '/' && canonical.back() != '/') canonical += '/';
    return canonical;
}

struct StoredChat {
    std::int64_t id = 0;
    std::string path;
    bool deleted = false;
};

// Chats grouped by the canonical spelling of their path, each group in ROWID order.
std::map<std::string, std::vector<StoredChat>> chatsBySpelling(FMDatabase& db) {
    std::map<std::string, std::vector<StoredChat>> groups;
    auto rs = db.executeQuery("SELECT ROWID, FilePath, Deleted FROM Chats WHERE FilePath IS NOT NULL ORDER BY ROWID;");
    while (rs && rs->next()) {
        StoredChat chat{sqlite3_column_int64(rs->pStmt(), rs->columnIndexForName("ROWID")), rs->stringForColumn("FilePath").value_or(""),
                        rs->intForColumn("Deleted") != 0};
        groups[canonicalSpelling(chat.path)].push_back(std::move(chat));
    }
    return groups;
}

int mergeChats(FMDatabase& db, IdentityServices& identities) {
    int merged = 0;
    for (const auto& [canonical, chats] : chatsBySpelling(db)) {
        const StoredChat& kept = chats.front();
        bool deleted = false;
        for (auto other = chats.begin() + 1; other != chats.end(); ++other) {
            deleted = deleted || other->deleted;
            for (const char* sql : {"DELETE FROM Participants WHERE ChatID = ?;", "DELETE FROM Messages WHERE ChatID = ?;",
                                    "DELETE FROM Images WHERE ChatID = ?;", "DELETE FROM Chats WHERE ROWID = ?;"})
                (void)db.executeUpdate(sql, {other->id});
            identities.removeCachedChat(other->id);
            ++merged;
        }
        if (kept.path != canonical) (void)db.executeUpdate("UPDATE Chats SET FilePath = ? WHERE ROWID = ?;", {canonical, kept.id});
        if (deleted) (void)db.executeUpdate("UPDATE Chats SET Deleted = 1 WHERE ROWID = ?;", {kept.id});
    }
    return merged;
}

void mergeFolderTimestamps(FMDatabase& db) {
    std::map<std::string, double> latest;
    bool respelled = false;
    auto rs = db.executeQuery("SELECT Path, TS FROM DirectoryTimestamps;");
    while (rs && rs->next()) {
        const std::string path = rs->stringForColumn("Path").value_or("");
        const std::string canonical = canonicalSpelling(path);
        respelled = respelled || canonical != path;
        const double ts = rs->doubleForColumn("TS");
        if (auto [at, added] = latest.try_emplace(canonical, ts); !added && ts > at->second) at->second = ts;
    }
    if (!respelled) return;
    (void)db.executeUpdate("DELETE FROM DirectoryTimestamps;");
    for (const auto& [path, ts] : latest)
        (void)db.executeUpdate("INSERT INTO DirectoryTimestamps (Path, TS) VALUES (?, ?);", {path, ts});
}

}  // namespace

int adoptCanonicalPathSpellings(TalvDatabase& store, IdentityServices& identities) {
    FMDatabase& db = store.db();
    auto version = db.executeQuery("PRAGMA user_version;");
    if (!version || !version->next() || version->intForColumn("user_version") >= kCanonicalPathsVersion) return 0;
    version->close();
    if (!db.beginTransaction()) return 0;
    const int merged = mergeChats(db, identities);
    mergeFolderTimestamps(db);
    (void)db.executeUpdate(fmt::format("PRAGMA user_version = {};", kCanonicalPathsVersion));
    if (!db.commit()) return 0;
    if (merged > 0) logf("{} chats stored twice under other spellings of their path were merged", merged);
    return merged;
}

}  // namespace talv
