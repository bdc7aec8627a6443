#include "store/FMDatabase.h"

#include "platform/Log.h"
#include "store/SqliteRetry.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <type_traits>
#include <utility>

namespace talv {
namespace {

void bindValue(sqlite3_stmt* stmt, int index, const SqlValue& value, sqlite3_destructor_type lifetime) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, NullMarker>) {
                sqlite3_bind_null(stmt, index);
            } else if constexpr (std::is_same_v<T, Bytes>) {
                // An empty buffer has no pointer, and a null pointer would bind NULL.
                if (v.empty()) sqlite3_bind_zeroblob(stmt, index, 0);
                else sqlite3_bind_blob64(stmt, index, v.data(), v.size(), lifetime);
            } else if constexpr (std::is_same_v<T, Date>) {
                sqlite3_bind_double(stmt, index, v.secondsSince1970);
            } else if constexpr (std::is_same_v<T, std::string>) {
                sqlite3_bind_text64(stmt, index, v.data(), v.size(), lifetime, SQLITE_UTF8);
            } else {
                // Numbers and booleans go in as their decimal text; column affinity converts them.
                const std::string text = std::is_same_v<T, bool> ? (v ? "1" : "0") : fmt::format("{}", v);
                sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            }
        },
        value.storage());
}

// Binds one value per placeholder; placeholders without a value are NULL.
void bindArguments(sqlite3_stmt* stmt, const std::vector<SqlValue>& args, sqlite3_destructor_type lifetime) {
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const auto slot = static_cast<std::size_t>(i - 1);
        // Bound by reference: a borrowed value must be the caller's own, never a copy.
        if (slot < args.size()) bindValue(stmt, i, args[slot], lifetime);
        else sqlite3_bind_null(stmt, i);
    }
}

}  // namespace

FMDatabase::FMDatabase(std::string path) : databasePath_(std::move(path)) {}

FMDatabase::~FMDatabase() { close(); }

FMDatabase::FMDatabase(FMDatabase&& other) noexcept
    : databasePath_(std::move(other.databasePath_)),
      db_(std::exchange(other.db_, nullptr)),
      logsErrors_(other.logsErrors_),
      cachedStatements_(std::exchange(other.cachedStatements_, {})) {}

FMDatabase& FMDatabase::operator=(FMDatabase&& other) noexcept {
    if (this != &other) {
        close();
        databasePath_ = std::move(other.databasePath_);
        db_ = std::exchange(other.db_, nullptr);
        logsErrors_ = other.logsErrors_;
        cachedStatements_ = std::exchange(other.cachedStatements_, {});
    }
    return *this;
}

std::string FMDatabase::sqliteLibVersion() { return sqlite3_libversion(); }

bool FMDatabase::open() {
    if (db_) return true;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open(databasePath_.c_str(), &handle);
    if (rc != SQLITE_OK) {
        logf("error opening!: {}", rc);
        sqlite3_close(handle);  // sqlite3_open may hand out a handle even when it fails
        return false;
    }
    db_ = handle;
    return true;
}

void FMDatabase::close() {
    if (!db_) return;
    finalizeCachedStatements();
    if (inTransaction()) (void)rollback();  // closing never keeps half a transaction
    // close_v2 defers the close until live result sets are finalized instead of failing busy.
    const int rc = sqlite3_close_v2(std::exchange(db_, nullptr));
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) logf("error closing!: {}", rc);
}

std::string FMDatabase::lastErrorMessage() const { return db_ ? sqlite3_errmsg(db_) : "database is not open"; }

int FMDatabase::lastErrorCode() const { return db_ ? sqlite3_errcode(db_) : SQLITE_MISUSE; }

std::int64_t FMDatabase::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

void FMDatabase::setBusyTimeout(std::chrono::milliseconds timeout) {
    if (db_) sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

bool FMDatabase::inTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

std::int64_t FMDatabase::changes() const { return db_ ? sqlite3_changes64(db_) : 0; }

int FMDatabase::prepare(const std::string& sql, sqlite3_stmt** stmt) {
    *stmt = nullptr;
    int rc = SQLITE_MISUSE;
    if (db_) {
        rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, stmt, nullptr);
        // A busy schema read is retried like a busy step, so a busy file never turns an update
        // into a silent no-op.
        while (rc == SQLITE_BUSY && mayRetryBusy(db_)) {
            sqlite3_finalize(std::exchange(*stmt, nullptr));
            pauseBeforeRetry();
            rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, stmt, nullptr);
        }
    }
    if (rc != SQLITE_OK) {
        sqlite3_finalize(std::exchange(*stmt, nullptr));
        if (logsErrors_) logf("DB Error: {} \"{}\" ({})", lastErrorCode(), lastErrorMessage(), sql);
    }
    return rc;
}

std::optional<FMResultSet> FMDatabase::executeQuery(const std::string& sql, const std::vector<SqlValue>& args) {
    sqlite3_stmt* stmt = nullptr;
    if (prepare(sql, &stmt) != SQLITE_OK) return std::nullopt;
    // The caller's values may be gone before the rows are stepped, so SQLite keeps copies.
    if (stmt) bindArguments(stmt, args, SQLITE_TRANSIENT);
    return FMResultSet(stmt, sql);
}

int FMDatabase::takeUpdateStatement(const std::string& sql, sqlite3_stmt** stmt) {
    if (const auto kept = cachedStatements_.find(sql); kept != cachedStatements_.end()) {
        *stmt = kept->second;
        cachedStatements_.erase(kept);
        return SQLITE_OK;
    }
    return prepare(sql, stmt);
}

std::optional<std::int64_t> FMDatabase::int64ForQuery(const std::string& sql, const std::vector<SqlValue>& args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next()) return std::nullopt;
    const std::int64_t value = sqlite3_column_int64(rs->pStmt(), 0);
    rs->close();
    return value;
}

int FMDatabase::finishUpdate(const std::string& sql, sqlite3_stmt* stmt, int stepResult) {
    // Only a statement that ran to completion is kept: one that failed (a schema it no longer
    // matches, a constraint) is prepared afresh next time, with the prepare's own error.
    const bool keep = stepResult == SQLITE_DONE && sqlite3_bind_parameter_count(stmt) > 0 &&
                      cachedStatements_.size() < kMaxCachedStatements;
    if (!keep) return sqlite3_finalize(stmt);
    const int rc = sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);  // borrowed values are the caller's and go with this call
    cachedStatements_.emplace(sql, stmt);
    return rc;
}

int FMDatabase::executeUpdate(const std::string& sql, const std::vector<SqlValue>& args) {
    sqlite3_stmt* stmt = nullptr;
    const int rc = takeUpdateStatement(sql, &stmt);
    if (rc != SQLITE_OK || !stmt) return rc;  // no statement: the text held only comments or spaces
    bindArguments(stmt, args, SQLITE_STATIC);
    const int stepResult = stepRetryingWhileBusy(stmt);
    if (stepResult == SQLITE_ROW) {
        // The first step has already made every change of the statement; nothing is left half done.
        sqlite3_finalize(stmt);
        logf("executeUpdate refused a statement that returns rows (rc!=SQLITE_ROW): {}", sql);
        return SQLITE_MISUSE;
    }
    if (stepResult != SQLITE_DONE && logsErrors_)
        logf("DB Error: {} \"{}\" ({})", lastErrorCode(), lastErrorMessage(), sql);
    return finishUpdate(sql, stmt, stepResult);
}

void FMDatabase::finalizeCachedStatements() {
    for (const auto& [sql, stmt] : cachedStatements_) sqlite3_finalize(stmt);
    cachedStatements_.clear();
}

bool FMDatabase::beginTransaction() {
    const int rc = executeUpdate("BEGIN IMMEDIATE TRANSACTION;");
    if (rc != SQLITE_OK) logf("Begin transaction error: {} ({})", rc, lastErrorMessage());
    return rc == SQLITE_OK;
}

bool FMDatabase::commit() {
    const int rc = executeUpdate("COMMIT TRANSACTION;");
    if (rc != SQLITE_OK) logf("Commit error: {} ({})", rc, lastErrorMessage());
    return rc == SQLITE_OK;
}

bool FMDatabase::rollback() { return executeUpdate("ROLLBACK TRANSACTION;") == SQLITE_OK; }

}  // namespace talv
