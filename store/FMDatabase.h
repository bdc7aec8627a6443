#pragma once
// One connection to one SQLite file. Statements take `?` placeholders and one SqlValue per
// placeholder, in order. A busy database is retried without limit outside a transaction; inside
// one the busy code is returned (see SqliteRetry.h). Failures never throw: queries give no result
// set, updates give the SQLite code. The sqlite3 handles never leave store/.
// Thread: a connection and its result sets belong to the thread that uses them.
#include "store/FMResultSet.h"
#include "store/SqlValue.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace talv {

class FMDatabase {
public:
    // A closed connection object for the file at `path`; error logging off.
    explicit FMDatabase(std::string path);
    ~FMDatabase();  // closes
    FMDatabase(FMDatabase&& other) noexcept;
    FMDatabase& operator=(FMDatabase&& other) noexcept;
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    static std::string sqliteLibVersion();

    // Opens (creating the file if absent). Logs "error opening!: <code>" and gives false on failure.
    [[nodiscard]] bool open();
    // Rolls back any open transaction and closes; does nothing when not open. Result sets that are
    // still live keep the file open until they are closed.
    void close();

    bool isOpen() const { return db_ != nullptr; }
    // How long SQLite itself waits for another connection's lock before answering busy.
    void setBusyTimeout(std::chrono::milliseconds timeout);
    // Whether a transaction (or savepoint) is open on this connection.
    bool inTransaction() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    std::int64_t changes() const;
    const std::string& databasePath() const { return databasePath_; }
    bool logsErrors() const { return logsErrors_; }
    void setLogsErrors(bool on) { logsErrors_ = on; }

    std::string lastErrorMessage() const;
    int lastErrorCode() const;
    std::int64_t lastInsertRowId() const;

    // A result set before its first row, or none when the statement does not prepare.
    // REQUIRES: one value per placeholder.
    std::optional<FMResultSet> executeQuery(const std::string& sql, const std::vector<SqlValue>& args = {});
    // The first column of the first row as an integer; none when the query fails or has no row.
    std::optional<std::int64_t> int64ForQuery(const std::string& sql, const std::vector<SqlValue>& args = {});
    // 0 on success, else the SQLite code; a failed step is logged like a failed prepare. A
    // statement that produces rows is refused with SQLITE_MISUSE and a log line: updates must not
    // return rows.
    [[nodiscard]] int executeUpdate(const std::string& sql, const std::vector<SqlValue>& args = {});
    // How many prepared updates are kept for reuse.
    std::size_t cachedStatementCount() const { return cachedStatements_.size(); }

    // "BEGIN IMMEDIATE TRANSACTION;": the write lock is taken at once, so a transaction never
    // waits for it while holding a read lock another writer waits for. Prefer store/Transaction.h.
    [[nodiscard]] bool beginTransaction();
    [[nodiscard]] bool commit();
    [[nodiscard]] bool rollback();

private:
    // Prepares (retrying while busy); the prepare's code, *stmt nullptr on failure.
    int prepare(const std::string& sql, sqlite3_stmt** stmt);
    // The kept statement for `sql`, taken out of the cache, else a fresh one.
    int takeUpdateStatement(const std::string& sql, sqlite3_stmt** stmt);
    // Resets a statement whose update succeeded and keeps it, or finalizes it; the update's code.
    [[nodiscard]] int finishUpdate(const std::string& sql, sqlite3_stmt* stmt, int stepResult);
    void finalizeCachedStatements();

    static constexpr std::size_t kMaxCachedStatements = 64;

    std::string databasePath_;
    sqlite3* db_ = nullptr;
    bool logsErrors_ = false;
    std::unordered_map<std::string, sqlite3_stmt*> cachedStatements_;  // reset, bindings cleared
};

}  // namespace talv
