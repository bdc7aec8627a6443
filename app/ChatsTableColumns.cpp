#include "app/ChatsTableColumns.h"

#include <algorithm>

namespace talv {

const ChatsTableColumn* chatsTableColumn(const std::string& identifier) {
    for (const ChatsTableColumn& column : kChatsTableColumns) {
        if (identifier == column.identifier) return &column;
    }
    return nullptr;
}

bool isColumnShown(const UserDefaults& defaults, const ChatsTableColumn& column) {
    return defaults.integerForKey(column.key, 1) != 0;
}

std::vector<std::string> reconciledColumns(std::vector<std::string> current, const UserDefaults& defaults) {
    for (const ChatsTableColumn& column : kChatsTableColumns) {
        const auto at = std::find(current.begin(), current.end(), column.identifier);
        const bool shown = isColumnShown(defaults, column);
        if (shown && at == current.end()) current.emplace_back(column.identifier);
        else if (!shown && at != current.end()) current.erase(at);
    }
    return current;
}

}  // namespace talv
