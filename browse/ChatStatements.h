#pragma once
// The statements of the chats list: the chats statement (chat IDs in display order, materialised
// as CTmp) and the participants statement (the handles of the chats that pass every filter but
// the participants list).
#include "browse/ArrayController.h"

#include <optional>
#include <string>
#include <vector>

namespace talv {

// What one filter list contributes: its condition, if any, and whether it stands on All.
struct FilterCondition {
    std::optional<std::string> condition;
    bool isAll = false;
};

// Reads the criteria of a list's selection; none when nothing is selected.
std::optional<FilterCondition> readFilterList(const ArrayController& list);

// A name made of ASCII letters, digits and underscores, not starting with a digit: the only kind
// of column name placed into a statement.
bool isPlainColumnName(const std::string& name);

// The order clause for the chats table's sort descriptors: " ORDER BY <key> ASC|DESC" after the
// first descriptor, its key lower-cased; none without descriptors or when the key is not a plain
// column name.
std::optional<std::string> orderClause(const std::vector<SortDescriptor>& descriptors);

struct ChatStatements {
    std::string chats;
    std::string participants;
};

// `search` is the user's text; it enters the statements only escaped, inside a quoted literal.
ChatStatements buildChatStatements(const FilterCondition& contents, const FilterCondition& when,
                                   const FilterCondition& participants, const std::string& search,
                                   const std::optional<std::string>& orderSQL);

}  // namespace talv
