#include "store/FMResultSet.h"

#include "platform/Log.h"
#include "store/SqliteRetry.h"

#include <glib.h>
#include <sqlite3.h>

#include <utility>

namespace talv {
namespace {

std::string lowerCased(std::string_view name) {
    gchar* lower = g_utf8_strdown(name.data(), static_cast<gssize>(name.size()));
    std::string result(lower);
    g_free(lower);
    return result;
}

}  // namespace

FMResultSet::FMResultSet(sqlite3_stmt* statement, std::string query)
    : pStmt_(statement), query_(std::move(query)) {}

FMResultSet::~FMResultSet() { close(); }

FMResultSet::FMResultSet(FMResultSet&& other) noexcept
    : pStmt_(std::exchange(other.pStmt_, nullptr)),
      query_(std::move(other.query_)),
      columnNameToIndexMap_(std::move(other.columnNameToIndexMap_)),
      columnNamesSetup_(other.columnNamesSetup_),
      stepFailed_(other.stepFailed_) {}

FMResultSet& FMResultSet::operator=(FMResultSet&& other) noexcept {
    if (this != &other) {
        close();
        pStmt_ = std::exchange(other.pStmt_, nullptr);
        query_ = std::move(other.query_);
        columnNameToIndexMap_ = std::move(other.columnNameToIndexMap_);
        columnNamesSetup_ = other.columnNamesSetup_;
        stepFailed_ = other.stepFailed_;
    }
    return *this;
}

void FMResultSet::close() {
    if (!pStmt_) return;
    // finalize reports the code of a step that failed, which is how such a step gets logged.
    if (sqlite3_finalize(std::exchange(pStmt_, nullptr)) != SQLITE_OK)
        logf("error finalizing for query: {}", query_);
}

bool FMResultSet::next() {
    if (!pStmt_) return false;
    const int rc = stepRetryingWhileBusy(pStmt_);
    if (!columnNamesSetup_) {
        setupColumnNames();
        columnNamesSetup_ = true;
    }
    if (rc == SQLITE_ROW) return true;
    stepFailed_ = rc != SQLITE_DONE;
    close();
    return false;
}

void FMResultSet::setupColumnNames() {
    const int count = sqlite3_column_count(pStmt_);
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(pStmt_, i);
        // Later columns win over earlier ones of the same name.
        columnNameToIndexMap_[lowerCased(name ? name : "(null)")] = i;
    }
}

int FMResultSet::columnIndexForName(std::string_view name) {
    const std::string lower = lowerCased(name);
    if (auto it = columnNameToIndexMap_.find(lower); it != columnNameToIndexMap_.end()) return it->second;
    logf("Warning: I could not find the column named '{}'.", lower);
    return -1;
}

int FMResultSet::liveColumnIndex(std::string_view name) {
    const int index = columnIndexForName(name);
    return pStmt_ ? index : -1;
}

std::int32_t FMResultSet::intForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    return index < 0 ? 0 : sqlite3_column_int(pStmt_, index);
}

std::int64_t FMResultSet::int64ForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    return index < 0 ? 0 : sqlite3_column_int64(pStmt_, index);
}

bool FMResultSet::boolForColumn(std::string_view name) { return intForColumn(name) != 0; }

double FMResultSet::doubleForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    return index < 0 ? 0.0 : sqlite3_column_double(pStmt_, index);
}

std::optional<std::string> FMResultSet::stringForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    if (index < 0) return std::nullopt;
    const auto* text = sqlite3_column_text(pStmt_, index);
    if (!text) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(pStmt_, index)));
}

std::optional<Date> FMResultSet::dateForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    if (index < 0) return std::nullopt;
    return Date{sqlite3_column_double(pStmt_, index)};
}

std::optional<Bytes> FMResultSet::dataForColumn(std::string_view name) {
    const int index = liveColumnIndex(name);
    if (index < 0) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(pStmt_, index));
    const int length = sqlite3_column_bytes(pStmt_, index);
    if (!bytes || length <= 0) return Bytes{};
    return Bytes(bytes, bytes + length);
}

void FMResultSet::kvcMagic(const std::function<void(const std::string&, const std::string&)>& setValueForKey) {
    if (!pStmt_) return;
    const int count = sqlite3_column_count(pStmt_);
    for (int i = 0; i < count; ++i) {
        const auto* text = sqlite3_column_text(pStmt_, i);
        if (!text) continue;
        const char* name = sqlite3_column_name(pStmt_, i);
        setValueForKey(name ? name : "(null)",
                       std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(pStmt_, i))));
    }
}

}  // namespace talv
