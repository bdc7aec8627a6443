#include "identity/DatabaseStartup.h"

#include "identity/CacheIdentityServices.h"
#include "identity/TalvCacheDatabase.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Strings.h"
#include "store/ChatContentFlags.h"
#include "store/DatabaseCheck.h"
#include "store/StoredPathSpellings.h"
#include "store/TalvDatabase.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace talv {
namespace {

// Renames `file` (and its journal companions) to "<name>.damaged", replacing an older one.
bool moveAside(const fs::path& file) {
    const fs::path damaged = file.string() + ".damaged";
    std::error_code ec;
    for (const char* companion : {"", "-wal", "-shm", "-journal"}) {
        const fs::path from = file.string() + companion;
        const fs::path to = damaged.string() + companion;
        fs::remove(to, ec);
        if (fs::exists(from, ec)) fs::rename(from, to, ec);
        if (ec) {
            logf("Cannot move the damaged identity cache \"{}\" aside: {}", from.string(), ec.message());
            return false;
        }
    }
    return true;
}

void prepareCache() {
    const fs::path file = TalvCacheDatabase::path();
    if (auto damage = databaseDamage(file)) {
        logf("The identity cache \"{}\" is damaged ({}); it is rebuilt, the damaged file kept as \"{}.damaged\"",
             file.string(), *damage, file.filename().string());
        if (!moveAside(file)) return;
    }
    if (auto cache = TalvCacheDatabase::open()) {
        cache->db().setLogsErrors(false);
        if (!cache->createTablesAsNeeded()) logf("Cannot update the identity cache's tables: {}", cache->db().lastErrorMessage());
    }
}

}  // namespace

std::optional<std::string> prepareDatabases(const ChatTextIndex::Progress& searchIndexProgress) {
    prepareCache();
    const fs::path file = Paths::applicationSupport() / TalvDatabase::kFileName;
    if (auto damage = databaseDamage(file)) return unreadableDatabaseMessage(file, *damage);
    auto store = TalvDatabase::open();
    if (!store) return unreadableDatabaseMessage(file, tr("it cannot be opened"));
    store->db().setLogsErrors(false);
    // A schema that cannot be written (a read-only archive) still reads; an index then fails on
    // its first write and says so.
    if (!store->createTablesAsNeeded()) logf("Cannot update the archive's tables: {}", store->db().lastErrorMessage());
    store->db().setLogsErrors(true);
    CacheIdentityServices identities;
    adoptCanonicalPathSpellings(*store, identities);
    // Without the flags the engine probes each chat's messages and participants, as before.
    (void)ChatContentFlags::upgrade(store->db());
    // Without the index a search reads every message, as before: slower, never wrong.
    (void)ChatTextIndex::upgrade(store->db(), searchIndexProgress);
    return std::nullopt;
}

}  // namespace talv
