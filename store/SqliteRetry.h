#pragma once
// Busy handling shared by FMDatabase and FMResultSet. A statement outside a transaction is
// retried every 5 microseconds without limit, since another connection's lock always clears
// eventually. Inside a transaction a busy answer is returned at once: the lock this connection
// waits for may be held by one that waits for this connection's, and only a rollback frees them.
struct sqlite3;
struct sqlite3_stmt;

namespace talv {

// sqlite3_step, repeated while it answers SQLITE_BUSY and its connection has no open transaction.
int stepRetryingWhileBusy(sqlite3_stmt* statement);
// Whether a busy answer on `connection` may be retried: true outside a transaction.
bool mayRetryBusy(sqlite3* connection);
// The pause between two attempts.
void pauseBeforeRetry();

}  // namespace talv
