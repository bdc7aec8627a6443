#include "browse/EngineStatements.h"

#include "store/ChatTextIndex.h"
#include "store/OrvaneExtras.h"

#include <fmt/format.h>
#include <glib.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace talv {
namespace {

constexpr const char* kAllParticipants = "SELECT DISTINCT Participant FROM Participants;";

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return g_ascii_tolower(c); });
    return result;
}

// Whether `condition` names no table of the archive but `own` (lower case, with its dot).
bool namesOnly(const std::optional<std::string>& condition, std::string_view own) {
    if (!condition) return true;
    const std::string text = lowered(*condition);
    for (std::string_view table : {"chats.", "participants.", "messages."}) {
        if (table != own && text.find(table) != std::string::npos) return false;
    }
    return true;
}

// Whether the key of " ORDER BY <key> ASC|DESC" names the same column whether the statement reads
// Chats alone or joins Participants and Messages too.
bool orderKeyIsChatsColumn(const std::optional<std::string>& orderSQL) {
    if (!orderSQL) return true;
    constexpr std::string_view kPrefix = " ORDER BY ";
    if (!orderSQL->starts_with(kPrefix)) return false;
    const std::string key = lowered(std::string_view(*orderSQL).substr(kPrefix.size(), orderSQL->find(' ', kPrefix.size()) - kPrefix.size()));
    static constexpr std::array<std::string_view, 17> kColumns{
        "chatid",   "subject",    "filepath",  "filename", "filelength",    "filemoddate", "messages", "datestarted", "dateended",
        "duration", "participants", "hashyperlinks", "haspictures", "hasemails", "kind", "label", "deleted"};
    return std::find(kColumns.begin(), kColumns.end(), key) != kColumns.end();
}

std::string conditionOf(const FilterCondition& list) {
    return !list.isAll && list.condition ? fmt::format("({}) AND ", *list.condition) : std::string();
}

// The chat has a message that passes the search (any message without search text).
std::string hasMessages(const std::string& search, bool searchIndex, bool contentFlags) {
    if (search.empty())
        return contentFlags ? "Chats.HasMessageRows = 1" : "EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = Chats.ROWID)";
    const std::string condition =
        fmt::format("(Messages.Message LIKE '%{}%' AND Messages.Participant <> '')", sqliteEscapedString(search));
    auto hasMessageIn = [&](std::string_view chat) {
        return fmt::format("EXISTS (SELECT 1 FROM Messages WHERE Messages.ChatID = {} AND {})", chat, condition);
    };
    const auto candidates = searchIndex ? ChatTextIndex::candidatesMatching(search) : std::nullopt;
    if (!candidates) return hasMessageIn("Chats.ROWID");
    if (candidates->exact)
        return fmt::format("Chats.ROWID IN ({} UNION ALL {} WHERE {})", candidates->indexedChats, ChatTextIndex::kPendingChats,
                           hasMessageIn("ChatsTextPending.ChatID"));
    return fmt::format("Chats.ROWID IN ({} UNION ALL {}) AND {}", candidates->indexedChats, ChatTextIndex::kPendingChats,
                       hasMessageIn("Chats.ROWID"));
}

}  // namespace

std::optional<EngineStatements> buildEngineStatements(const FilterCondition& contents, const FilterCondition& when,
                                                      const FilterCondition& participants, const std::string& search,
                                                      const std::optional<std::string>& orderSQL, bool searchIndex,
                                                      bool contentFlags) {
    if (!namesOnly(contents.condition, "chats.") || !namesOnly(when.condition, "chats.") ||
        !namesOnly(participants.condition, "participants.") || !orderKeyIsChatsColumn(orderSQL))
        return std::nullopt;
    const ChatStatements reference = buildChatStatements(contents, when, participants, search, orderSQL);
    // "+" keeps SQLite from reading the chats through the index of Deleted alone, chat row by chat
    // row: it then reads ChatsListIdx (or ChatsIdx without the content flags), which holds the date,
    // the flags and the duration, already in date order.
    if (contents.isAll && when.isAll && participants.isAll && search.empty())
        return EngineStatements{
            fmt::format("SELECT ROWID AS ChatID, Duration AS ListedDuration FROM Chats WHERE +Chats.Deleted = 0{};", orderSQL.value_or("")),
            reference.participants};

    const std::string passesOtherLists = conditionOf(contents) + conditionOf(when) + hasMessages(search, searchIndex, contentFlags);
    const std::string chosen = conditionOf(participants);
    // A chosen person has few chats: they are found among the participants, not chat by chat.
    const std::string hasParticipants =
        !chosen.empty() ? fmt::format("Chats.ROWID IN (SELECT Participants.ChatID FROM Participants WHERE {}1)", chosen)
        : contentFlags  ? "Chats.HasParticipantRows = 1"
                        : "EXISTS (SELECT 1 FROM Participants WHERE Participants.ChatID = Chats.ROWID)";
    EngineStatements statements;
    statements.chats = fmt::format("SELECT Chats.ROWID AS ChatID, Chats.Duration AS ListedDuration FROM Chats WHERE {} AND {} AND "
                                   "+Chats.Deleted = 0{};",
                                   passesOtherLists, hasParticipants, orderSQL.value_or(""));
    if (reference.participants == kAllParticipants) statements.participants = kAllParticipants;
    else if (chosen.empty()) statements.participants = "SELECT DISTINCT Participant FROM Participants WHERE ChatID IN (SELECT ChatID FROM CTmp);";
    else
        statements.participants = fmt::format(
            "SELECT DISTINCT Participant FROM Participants WHERE ChatID IN (SELECT Chats.ROWID FROM Chats WHERE {} AND "
            "+Chats.Deleted = 0);",
            passesOtherLists);
    return statements;
}

}  // namespace talv
