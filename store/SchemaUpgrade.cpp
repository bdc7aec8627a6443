#include "store/SchemaUpgrade.h"

#include "platform/Log.h"
#include "store/Transaction.h"

#include <fmt/format.h>
#include <sqlite3.h>

namespace talv {

SchemaUpgrade upgradeSchema(FMDatabase& db, int from, int to, std::string_view action, const std::function<bool()>& step) {
    const auto version = db.int64ForQuery("PRAGMA user_version;");
    if (version && *version >= to) return SchemaUpgrade::Current;
    if (!version || *version < from) {
        logf("Cannot {} of \"{}\" yet: it waits for the archive's earlier upgrades", action, db.databasePath());
        return SchemaUpgrade::Failed;
    }
    Transaction transaction(db);
    // Another program may have made the step since the version was read.
    if (transaction.began() && db.int64ForQuery("PRAGMA user_version;").value_or(0) >= to) return SchemaUpgrade::Current;
    const bool done = transaction.began() && step() &&
                      db.executeUpdate(fmt::format("PRAGMA user_version = {};", to)) == SQLITE_OK && transaction.commit();
    if (done) return SchemaUpgrade::Upgraded;
    logf("Cannot {} of \"{}\": {}", action, db.databasePath(), db.lastErrorMessage());
    return SchemaUpgrade::Failed;
}

}  // namespace talv
