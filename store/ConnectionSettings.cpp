#include "store/ConnectionSettings.h"

#include "platform/Log.h"
#include "store/FMDatabase.h"

namespace talv {

void applyConnectionPragmas(FMDatabase& db) {
    // Speed settings: a connection without them still works, and the layer logs a failure.
    for (const char* sql : {"PRAGMA synchronous = OFF;", "PRAGMA temp_store = MEMORY;", "PRAGMA cache_size = 4000;"})
        (void)db.executeUpdate(sql);
}

bool useWriteAheadLog(FMDatabase& db) {
    std::string mode;
    if (auto rs = db.executeQuery("PRAGMA journal_mode = WAL;")) {
        if (rs->next()) mode = rs->stringForColumn("journal_mode").value_or("");
        rs->close();
    }
    if (mode == "wal") return true;
    logf("Cannot switch \"{}\" to write-ahead logging ({}); readers will wait for writers", db.databasePath(),
         mode.empty() ? db.lastErrorMessage() : "the file stays in mode " + mode);
    return false;
}

}  // namespace talv
