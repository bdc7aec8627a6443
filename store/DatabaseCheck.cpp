#include "store/DatabaseCheck.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <sqlite3.h>

#include <algorithm>

namespace talv {

std::string unreadableDatabaseMessage(const std::filesystem::path& file, std::string_view reason) {
    return formatString(tr("The archive file \"%@\" cannot be read (%@). Move it aside and index again: the archive "
                           "is rebuilt from your transcripts."),
                        {file.string(), std::string(reason)});
}

std::optional<std::string> databaseDamage(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    FMDatabase db(file.string());
    if (!db.open()) return db.lastErrorMessage();
    db.setBusyTimeout(std::chrono::milliseconds(100));
    // The first problem is enough to know; "ok" is the one row of a sound file.
    auto rs = db.executeQuery("PRAGMA quick_check(1);");
    if (!rs || !rs->next()) return db.lastErrorMessage();
    std::string verdict = rs->stringForColumn("quick_check").value_or("");
    rs->close();
    if (verdict == "ok") return std::nullopt;
    if (verdict.empty()) return db.lastErrorMessage();
    // "*** in database main ***\nPage 6: ..." names the one database a connection of its own has.
    const std::string_view header = "*** in database main ***\n";
    if (verdict.starts_with(header)) verdict.erase(0, header.size());
    std::replace(verdict.begin(), verdict.end(), '\n', ' ');
    return verdict;
}

bool lastStatementFailed(const FMDatabase& db) {
    const int code = db.lastErrorCode();
    return code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE;
}

}  // namespace talv
