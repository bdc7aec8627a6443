#pragma once
// The six columns of the chats table: the user default that shows or hides each, its
// identifier (the query engine's column), the Chats column it sorts by, its title and width.
#include "platform/Strings.h"
#include "platform/UserDefaults.h"

#include <array>
#include <string>
#include <vector>

namespace talv {

struct ChatsTableColumn {
    const char* key;         // "ColumnParticipants": a number, 0 hides; missing counts as 1
    const char* identifier;  // "participants"
    const char* sortKey;     // "participants"
    const char* title;       // English; shown translated
    int defaultWidth;
};

inline constexpr std::array<ChatsTableColumn, 6> kChatsTableColumns{{
    {"ColumnParticipants", "participants", "participants", N_("Participants"), 190},
    {"ColumnTopic", "topic", "subject", N_("Topic"), 240},
    {"ColumnStartDate", "datestarted", "datestarted", N_("Date"), 140},
    {"ColumnDuration", "duration", "duration", N_("Duration"), 80},
    {"ColumnKind", "kind", "kind", N_("Kind"), 70},
    {"ColumnFileName", "filename", "filename", N_("File Name"), 180},
}};

const ChatsTableColumn* chatsTableColumn(const std::string& identifier);
bool isColumnShown(const UserDefaults& defaults, const ChatsTableColumn& column);

// The column identifiers after reconciling `current` (in display order) with the column keys:
// a shown column missing from it is appended at the right end, a hidden one removed; the order
// of the others stays.
std::vector<std::string> reconciledColumns(std::vector<std::string> current, const UserDefaults& defaults);

}  // namespace talv
