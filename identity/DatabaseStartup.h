#pragma once
// What every program does with both databases before it uses them (the window at start, each
// command of talvessa-cli).
#include "store/ChatTextIndex.h"

#include <optional>
#include <string>

namespace talv {

// Quick-checks both databases, then creates or upgrades their schemas, adopts the canonical
// spelling of stored paths, sets the chats' content flags (ChatContentFlags) of an archive that
// lacks them, then builds the search index (ChatTextIndex) of an archive that lacks it, telling
// `searchIndexProgress` how far that got (an archive of 50,000 chats takes seconds). A damaged
// identity cache is moved aside as "Tal Cache.damaged" (with a log line) and made anew: it holds
// nothing that cannot be looked up again. A transcript database that cannot be read is left as
// it is. None when the transcript database is ready, else the message to show the user
// (unreadableDatabaseMessage).
std::optional<std::string> prepareDatabases(const ChatTextIndex::Progress& searchIndexProgress = {});

}  // namespace talv
