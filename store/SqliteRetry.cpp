#include "store/SqliteRetry.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace talv {

void pauseBeforeRetry() { std::this_thread::sleep_for(std::chrono::microseconds(5)); }

bool mayRetryBusy(sqlite3* connection) { return sqlite3_get_autocommit(connection) != 0; }

int stepRetryingWhileBusy(sqlite3_stmt* statement) {
    int rc = sqlite3_step(statement);
    while (rc == SQLITE_BUSY && mayRetryBusy(sqlite3_db_handle(statement))) {
        pauseBeforeRetry();
        rc = sqlite3_step(statement);
    }
    return rc;
}

}  // namespace talv
