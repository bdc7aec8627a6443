#include "app/ToolbarConfiguration.h"

#include "platform/Strings.h"

#include <algorithm>
#include <set>

namespace talv::ToolbarItem {

std::vector<std::string> defaultItemIdentifiers() {
    return {kOpenInIChat, kShowInFinder, kSeparator, kPrevious, kNext, kSeparator, kPrint, kDelete, kFlexibleSpace, kSearchField};
}

std::vector<std::string> allowedItemIdentifiers() {
    return {kPrevious, kNext, kPrint, kShowInFinder, kOpenInIChat, kSpace, kSeparator, kDelete, kCustomize, kFlexibleSpace, kSearchField};
}

std::string paletteLabel(const std::string& identifier) {
    static const std::pair<const char*, const char*> kLabels[] = {
        {kPrevious, N_("Previous Item")},      {kNext, N_("Next Item")},     {kDelete, N_("Delete Chat")},
        {kOpenInIChat, N_("Open in iChat")},   {kShowInFinder, N_("Show in File Manager")},
        {kSearchField, N_("Search")},          {kPrint, N_("Print")},        {kSpace, N_("Space")},
        {kSeparator, N_("Separator")},         {kFlexibleSpace, N_("Flexible Space")},
        {kCustomize, N_("Customize")},
    };
    for (const auto& [id, label] : kLabels) {
        if (identifier == id) return tr(label);
    }
    return identifier;
}

bool isRepeatable(const std::string& identifier) {
    return identifier == kSpace || identifier == kSeparator || identifier == kFlexibleSpace;
}

std::vector<std::string> loadConfiguration(UserDefaults& defaults) {
    const Value::Dictionary saved = defaults.dictionaryForKey(kConfigurationKey);
    const auto found = saved.find("TB Item Identifiers");
    if (found == saved.end() || !found->second.asArray()) return defaultItemIdentifiers();

    const std::vector<std::string> allowed = allowedItemIdentifiers();
    std::vector<std::string> items;
    std::set<std::string> taken;
    for (const Value& entry : *found->second.asArray()) {
        const std::string* identifier = entry.asText();
        if (!identifier || std::find(allowed.begin(), allowed.end(), *identifier) == allowed.end()) continue;
        if (!isRepeatable(*identifier) && !taken.insert(*identifier).second) continue;
        items.push_back(*identifier);
    }
    return items;
}

void saveConfiguration(UserDefaults& defaults, const std::vector<std::string>& identifiers) {
    Value::Array items(identifiers.begin(), identifiers.end());
    defaults.setObject(kConfigurationKey, Value::Dictionary{{"TB Item Identifiers", std::move(items)}});
}

}  // namespace talv::ToolbarItem
