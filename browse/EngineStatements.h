#pragma once
// The statements the query engine runs in place of the reference statements of
// buildChatStatements: the same chats, in the same order up to ties of the sort key (none
// without an order clause), and the same participants, without joining every message of every
// chat. Filters test a chat's messages and participants with its content flags (ChatContentFlags),
// or with EXISTS where the archive has none, instead of a join and DISTINCT; a search finds its
// candidate chats through the search index (ChatTextIndex) and confirms them with the reference
// condition unless the index answers exactly; the participants list is read from the chats already listed when no
// participant is chosen; and each chat's Duration is listed with it for the statistics line.
#include "browse/ChatStatements.h"

#include <optional>
#include <string>

namespace talv {

struct EngineStatements {
    std::string chats;         // materialised as CTmp: ChatID, and ListedDuration (not "Duration":
                               // the cells join CTmp with Chats and name Chats' columns alone)
    std::string participants;  // run after CTmp was made; it may read CTmp
};

// None where the equivalence is not assured, and the reference statements must run: a contents
// or date condition that names a table other than Chats, a participants condition that names a
// table other than Participants, or an order clause whose key is not a column of Chats (or the
// ChatID alias). `searchIndex` says whether the archive has the search index, `contentFlags`
// whether it has the chats' content flags (ChatContentFlags).
std::optional<EngineStatements> buildEngineStatements(const FilterCondition& contents, const FilterCondition& when,
                                                      const FilterCondition& participants, const std::string& search,
                                                      const std::optional<std::string>& orderSQL, bool searchIndex,
                                                      bool contentFlags);

}  // namespace talv
