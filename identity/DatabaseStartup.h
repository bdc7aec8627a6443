#pragma once
// What every program does with both databases before it uses them (the window at start, each
// command of talvessa-cli).
#include <optional>
#include <string>

namespace talv {

// Quick-checks both databases, then creates or upgrades their schemas and adopts the canonical
// spelling of stored paths. A damaged identity cache is moved aside as "Tal Cache.damaged" (with
// a log line) and made anew: it holds nothing that cannot be looked up again. A transcript
// database that cannot be read is left as it is. None when the transcript database is ready,
// else the message to show the user (unreadableDatabaseMessage).
std::optional<std::string> prepareDatabases();

}  // namespace talv
