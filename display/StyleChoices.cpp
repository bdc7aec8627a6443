#include "display/StyleChoices.h"

#include "display/StyleBundle.h"
#include "display/TranscriptPage.h"
#include "platform/Strings.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr const char* kSetting = "CustomChatStyle";
constexpr const char* kDefaultStyle = "Default.talStyle";

std::optional<std::string> storedStyle(const UserDefaults& defaults) {
    auto value = defaults.objectForKey(kSetting);
    return value && value->asText() ? std::optional<std::string>(*value->asText()) : std::nullopt;
}

bool liesInside(const std::string& path, const fs::path& folder) {
    const std::string prefix = folder.string() + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

StyleChoices prepareStyleChoices(UserDefaults& defaults) {
    std::optional<std::string> custom = storedStyle(defaults);
    if (custom && custom->starts_with("/") && !liesInside(*custom, userStylesDirectory())) {
        (void)defaults.removeObjectForKey(kSetting);  // a failed write stays pending and is retried
        custom.reset();
    }
    StyleChoices choices;
    appendStylesFromDirectory(builtInStylesDirectory(), custom, choices);
    appendStylesFromDirectory(userStylesDirectory(), custom, choices);
    return choices;
}

void appendStylesFromDirectory(const fs::path& folder, const std::optional<std::string>& customChatStyle,
                               StyleChoices& choices) {
    if (folder.empty()) return;
    const bool builtIn = folder.string().starts_with(builtInStylesDirectory().string());
    std::vector<fs::path> styles;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".talStyle" && it->is_directory(ec)) styles.push_back(it->path());
    }
    std::sort(styles.begin(), styles.end());
    for (const fs::path& style : styles) {
        const std::string name = style.filename().string();
        const bool isDefault = builtIn && name == kDefaultStyle;
        StyleChoice choice{tr(style.stem().string()), isDefault ? std::nullopt : std::optional(builtIn ? name : style.string())};
        if (customChatStyle ? choice.value == customChatStyle : isDefault) choices.selected = choices.items.size();
        choices.items.push_back(std::move(choice));
    }
}

bool chooseChatStyle(UserDefaults& defaults, const StyleChoice& choice) {
    return choice.value ? defaults.setObject(kSetting, *choice.value) : defaults.removeObjectForKey(kSetting);
}

}  // namespace talv
