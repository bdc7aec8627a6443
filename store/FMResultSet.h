#pragma once
// One prepared statement stepped through its rows; made by FMDatabase::executeQuery.
// Owns the statement and finalizes it when it runs out of rows, is closed or is destroyed.
// Columns are read by name, case-insensitively; an unknown name logs a warning and reads the
// neutral value. Thread: that of the connection it came from.
#include "platform/Date.h"
#include "platform/Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace talv {

class FMResultSet {
public:
    ~FMResultSet();
    FMResultSet(FMResultSet&& other) noexcept;
    FMResultSet& operator=(FMResultSet&& other) noexcept;
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // Advances to the next row; false (and closed) once the rows are exhausted or a step fails.
    bool next();
    // Whether a step failed (a busy database inside a transaction, an I/O error...): the rows
    // read so far are not all the statement's rows.
    bool stepFailed() const { return stepFailed_; }
    // Finalizes the statement; harmless when already closed.
    void close();

    // The lower-cased name's column index, or -1 with the warning line.
    int columnIndexForName(std::string_view name);

    std::int32_t intForColumn(std::string_view name);
    // The whole 64-bit integer; ROWIDs and counts are read with it.
    std::int64_t int64ForColumn(std::string_view name);
    bool boolForColumn(std::string_view name);
    double doubleForColumn(std::string_view name);
    std::optional<std::string> stringForColumn(std::string_view name);  // none when NULL
    std::optional<Date> dateForColumn(std::string_view name);           // the epoch when NULL
    std::optional<Bytes> dataForColumn(std::string_view name);          // empty when NULL

    // Calls setValueForKey(declared column name, text) for every non-NULL column of the row.
    void kvcMagic(const std::function<void(const std::string& key, const std::string& value)>& setValueForKey);

    // The statement while live, else nullptr.
    sqlite3_stmt* pStmt() const { return pStmt_; }
    const std::string& query() const { return query_; }
    const std::map<std::string, int, std::less<>>& columnNameToIndexMap() const { return columnNameToIndexMap_; }

private:
    friend class FMDatabase;
    // Takes ownership of `statement`.
    FMResultSet(sqlite3_stmt* statement, std::string query);
    void setupColumnNames();
    // The index when the statement is live and the name known, else -1.
    int liveColumnIndex(std::string_view name);

    sqlite3_stmt* pStmt_ = nullptr;
    std::string query_;
    std::map<std::string, int, std::less<>> columnNameToIndexMap_;
    bool columnNamesSetup_ = false;
    bool stepFailed_ = false;
};

}  // namespace talv
