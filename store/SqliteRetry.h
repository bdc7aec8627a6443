#pragma once
// Busy handling shared by FMDatabase and FMResultSet: a busy database is retried every
// 5 microseconds without limit, since another connection's lock always clears eventually.
struct sqlite3_stmt;

namespace talv {

// sqlite3_step, repeated while it answers SQLITE_BUSY.
int stepRetryingWhileBusy(sqlite3_stmt* statement);
// The pause between two attempts.
void pauseBeforeRetry();

}  // namespace talv
