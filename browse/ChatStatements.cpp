#include "browse/ChatStatements.h"

#include "store/OrvaneExtras.h"

#include <fmt/format.h>

#include <algorithm>

namespace talv {
namespace {

constexpr const char* kChatsJoin =
    "SELECT DISTINCT Chats.ROWID AS ChatID FROM Chats, Participants, Messages WHERE Participants.ChatID = "
    "Chats.ROWID AND Messages.ChatID = Chats.ROWID AND ";
constexpr const char* kParticipantsJoin =
    "SELECT DISTINCT Participants.Participant FROM Chats, Participants, Messages WHERE Participants.ChatID = "
    "Chats.ROWID AND Messages.ChatID = Chats.ROWID AND ";
constexpr const char* kAllParticipants = "SELECT DISTINCT Participant FROM Participants;";

}  // namespace

bool isPlainColumnName(const std::string& name) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    auto isWordCharacter = [&](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_'; };
    return !name.empty() && !isDigit(name.front()) && std::all_of(name.begin(), name.end(), isWordCharacter);
}

std::optional<FilterCondition> readFilterList(const ArrayController& list) {
    SelectionValue criteria = list.selectionValue("criteria");
    switch (criteria.kind) {
    case SelectionValue::Kind::NoSelection: return std::nullopt;
    case SelectionValue::Kind::NotApplicable: return FilterCondition{};
    case SelectionValue::Kind::Multiple: {
        std::vector<std::string> parts;
        for (const Value& entry : list.selectedObjects()) {
            const Value* c = entry.find("criteria");
            if (c && c->asText() && !c->asText()->empty()) parts.push_back(*c->asText());
        }
        return FilterCondition{fmt::format("{}", fmt::join(parts, " OR ")), false};
    }
    case SelectionValue::Kind::Single: break;
    }
    FilterCondition result;
    if (const std::string* text = criteria.value.asText(); text && !text->empty()) result.condition = *text;
    SelectionValue isAll = list.selectionValue("IsAll");
    result.isAll = isAll.isSingle() && isAll.value.boolOr(false);
    return result;
}

std::optional<std::string> orderClause(const std::vector<SortDescriptor>& descriptors) {
    if (descriptors.empty()) return std::nullopt;
    std::string key = descriptors.front().key;
    std::transform(key.begin(), key.end(), key.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    if (!isPlainColumnName(key)) return std::nullopt;
    return fmt::format(" ORDER BY {} {}", key, descriptors.front().ascending ? "ASC" : "DESC");
}

ChatStatements buildChatStatements(const FilterCondition& contents, const FilterCondition& when,
                                   const FilterCondition& participants, const std::string& search,
                                   const std::optional<std::string>& orderSQL) {
    const std::string order = orderSQL.value_or("");
    if (contents.isAll && when.isAll && participants.isAll && search.empty()) {
        return {fmt::format("SELECT ROWID AS ChatID FROM Chats WHERE Chats.Deleted = 0 {};", order), kAllParticipants};
    }
    std::string shared;
    if (!contents.isAll && contents.condition) shared += fmt::format("({}) AND ", *contents.condition);
    if (!when.isAll && when.condition) shared += fmt::format("({}) AND ", *when.condition);
    if (!search.empty()) {
        shared += fmt::format("(Messages.Message LIKE '%{}%' AND Messages.Participant <> '') AND ",
                              sqliteEscapedString(search));
    }
    ChatStatements statements{kChatsJoin + shared, kParticipantsJoin + shared + " Chats.Deleted = 0;"};
    if (!participants.isAll && participants.condition) statements.chats += fmt::format("({}) AND ", *participants.condition);
    statements.chats += fmt::format(" Chats.Deleted = 0{};", order);
    if (contents.isAll && when.isAll && search.empty()) statements.participants = kAllParticipants;
    return statements;
}

}  // namespace talv
