#include "store/StoredPathSpellings.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "store/SchemaUpgrade.h"


#include <map>
#include <optional>
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
        StoredChat chat{rs->int64ForColumn("ROWID"), rs->stringForColumn("FilePath").value_or(""),
                        rs->intForColumn("Deleted") != 0};
        groups[canonicalSpelling(chat.path)].push_back(std::move(chat));
    }
    return groups;
}

// Gives each chat the canonical spelling of its path and merges the rows of one file; the IDs of
// the chats merged away, none when a write failed.
std::optional<std::vector<std::int64_t>> mergeChats(FMDatabase& db) {
    std::vector<std::int64_t> merged;
    for (const auto& [canonical, chats] : chatsBySpelling(db)) {
        const StoredChat& kept = chats.front();
        bool deleted = false;
        for (auto other = chats.begin() + 1; other != chats.end(); ++other) {
            deleted = deleted || other->deleted;
            for (const char* sql : {"DELETE FROM Participants WHERE ChatID = ?;", "DELETE FROM Messages WHERE ChatID = ?;",
                                    "DELETE FROM Images WHERE ChatID = ?;", "DELETE FROM Chats WHERE ROWID = ?;"})
                if (db.executeUpdate(sql, {other->id}) != 0) return std::nullopt;
            merged.push_back(other->id);
        }
        if (kept.path != canonical && db.executeUpdate("UPDATE Chats SET FilePath = ? WHERE ROWID = ?;", {canonical, kept.id}) != 0)
            return std::nullopt;
        if (deleted && db.executeUpdate("UPDATE Chats SET Deleted = 1 WHERE ROWID = ?;", {kept.id}) != 0) return std::nullopt;
    }
    return merged;
}

// One timestamp per folder, under its canonical spelling; false when a write failed.
bool mergeFolderTimestamps(FMDatabase& db) {
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
    if (!respelled) return true;
    if (db.executeUpdate("DELETE FROM DirectoryTimestamps;") != 0) return false;
    for (const auto& [path, ts] : latest) {
        if (db.executeUpdate("INSERT INTO DirectoryTimestamps (Path, TS) VALUES (?, ?);", {path, ts}) != 0) return false;
    }
    return true;
}

}  // namespace

int adoptCanonicalPathSpellings(TalvDatabase& store, IdentityServices& identities) {
    FMDatabase& db = store.db();
    std::optional<std::vector<std::int64_t>> merged;
    if (upgradeSchema(db, 0, kCanonicalPathsVersion, "give the stored paths their canonical spelling", [&] {
            merged = mergeChats(db);
            return merged && mergeFolderTimestamps(db);
        }) != SchemaUpgrade::Upgraded)
        return 0;
    for (std::int64_t chatID : *merged) identities.removeCachedChat(chatID);
    if (!merged->empty()) logf("{} chats stored twice under other spellings of their path were merged", merged->size());
    return static_cast<int>(merged->size());
}

}  // namespace talv
