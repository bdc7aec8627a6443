#pragma once
// Whether a database file can be read, and the one message every program shows when it cannot.
#include "store/FMDatabase.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

// What the user is told about a database that cannot be read: the file, the reason and the
// remedy (move it aside and index again, which rebuilds it from the transcripts).
std::string unreadableDatabaseMessage(const std::filesystem::path& file, std::string_view reason);

// SQLite's "PRAGMA quick_check" of `file` on a connection of its own: none when the file does not
// exist or is sound, else what is wrong (the first problem found, or why it cannot be read).
std::optional<std::string> databaseDamage(const std::filesystem::path& file);

// Whether the last statement on `db` failed: its step or prepare answered an error code (the
// result set then simply ends, like one without rows).
bool lastStatementFailed(const FMDatabase& db);

}  // namespace talv
