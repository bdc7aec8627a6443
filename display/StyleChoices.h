#pragma once
// The message styles the preferences offer, and the "CustomChatStyle" setting they write: a
// user style is stored by its full path, a built-in style other than the default by its folder
// name, and the default style ("Default.talStyle") by removing the setting. Main thread.
#include "platform/UserDefaults.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talv {

struct StyleChoice {
    std::string title;                 // the folder name without ".talStyle", translated
    std::optional<std::string> value;  // none for the default style
};

struct StyleChoices {
    std::vector<StyleChoice> items;
    std::optional<std::size_t> selected;  // none when no item is the stored style
};

// Removes a "CustomChatStyle" that is a full path outside the user styles folder, then lists the
// built-in styles and the user's styles. A stored path that no longer exists stays stored and
// selects nothing.
StyleChoices prepareStyleChoices(UserDefaults& defaults);

// Appends the styles of one folder (its "*.talStyle" folders, in name order) to `choices`,
// selecting the one `customChatStyle` names; nothing for a folder that cannot be read.
void appendStylesFromDirectory(const std::filesystem::path& folder, const std::optional<std::string>& customChatStyle,
                               StyleChoices& choices);

// Stores the choice's value as "CustomChatStyle", or removes the setting for the default style.
// False when the preferences could not be written.
[[nodiscard]] bool chooseChatStyle(UserDefaults& defaults, const StyleChoice& choice);

}  // namespace talv
