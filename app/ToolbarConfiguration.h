#pragma once
// The items of the main window's toolbar "TalToolbar": identifiers, the default and allowed
// sets, and the user's configuration, kept in the user defaults under
// "NSToolbar Configuration TalToolbar" as {"TB Item Identifiers": [identifiers in order]}.
#include "platform/UserDefaults.h"

#include <string>
#include <vector>

namespace talv::ToolbarItem {

inline constexpr const char* kPrevious = "Previous";
inline constexpr const char* kNext = "Next";
inline constexpr const char* kDelete = "Delete";
inline constexpr const char* kOpenInIChat = "OpenInIChat";
inline constexpr const char* kShowInFinder = "ShowInFinder";
inline constexpr const char* kSearchField = "SearchField";
inline constexpr const char* kPrint = "NSToolbarPrintItem";
inline constexpr const char* kSpace = "NSToolbarSpaceItem";
inline constexpr const char* kSeparator = "NSToolbarSeparatorItem";
inline constexpr const char* kFlexibleSpace = "NSToolbarFlexibleSpaceItem";
inline constexpr const char* kCustomize = "NSToolbarCustomizeToolbarItem";

inline constexpr const char* kToolbarIdentifier = "TalToolbar";
inline constexpr const char* kConfigurationKey = "NSToolbar Configuration TalToolbar";

std::vector<std::string> defaultItemIdentifiers();
std::vector<std::string> allowedItemIdentifiers();
// The item's name in the customise dialog (translated).
std::string paletteLabel(const std::string& identifier);
// Spaces and separators may stand in a toolbar more than once; every other item once.
bool isRepeatable(const std::string& identifier);

// The saved configuration without identifiers that are not allowed or repeat; the default set
// when nothing usable is saved.
std::vector<std::string> loadConfiguration(UserDefaults& defaults);
void saveConfiguration(UserDefaults& defaults, const std::vector<std::string>& identifiers);

}  // namespace talv::ToolbarItem
