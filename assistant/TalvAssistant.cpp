#include "assistant/TalvAssistant.h"

#include "assistant/Workspace.h"
#include "platform/Log.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"

#include <filesystem>

namespace talv {
namespace {

constexpr const char* kHostIdentifier = "pidgin";
constexpr const char* kApplicationName = N_("Talvessa");

// The application's preferences, as it last wrote them from its own process.
UserDefaults& applicationPreferences() {
    UserDefaults& defaults = UserDefaults::forDomain(UserDefaults::kApplicationDomain);
    (void)defaults.synchronize();  // nothing is pending here: this only re-reads the file
    return defaults;
}

}  // namespace

std::unique_ptr<TalvAssistant> TalvAssistant::create(AssistantHost& host) {
    if (host.bundleIdentifier() != kHostIdentifier) return nullptr;
    std::unique_ptr<TalvAssistant> assistant(new TalvAssistant(host));
    assistant->subscription_ = host.subscribe(
        kNotificationName, [self = assistant.get()](const Value::Dictionary& info) { self->talPrefChanged(info); });
    if (auto enhance = applicationPreferences().objectForKey("EnhanceIChat"); enhance && enhance->integerOr(0) != 0) {
        assistant->installIntoIChat();
    }
    return assistant;
}

TalvAssistant::~TalvAssistant() {
    subscription_.reset();
    if (auto menu = windowMenu()) {
        if (auto index = findTalvItem(*menu)) menu->removeItem(*index);
    }
}

std::unique_ptr<HostMenu> TalvAssistant::windowMenu() const {
    std::unique_ptr<HostMenu> main = host_.mainMenu();
    if (!main) return nullptr;
    for (std::size_t i = 0; i < main->numberOfItems(); ++i) {
        auto submenu = main->submenuOfItem(i);
        if (submenu && isWindowMenu(*submenu)) return submenu;
    }
    return nullptr;
}

bool TalvAssistant::isWindowMenu(const HostMenu& menu) {
    for (std::size_t i = 0; i < menu.numberOfItems(); ++i) {
        if (menu.actionOfItem(i) == kWindowMenuMarkerAction) return true;
    }
    return false;
}

std::optional<std::size_t> TalvAssistant::findTalvItem(const HostMenu& menu) {
    for (std::size_t i = 0; i < menu.numberOfItems(); ++i) {
        if (menu.actionOfItem(i) == kLaunchAction) return i;
    }
    return std::nullopt;
}

void TalvAssistant::installIntoIChat() {
    auto menu = windowMenu();
    if (!menu || !findTalv()) return;
    menu->addItem({tr(kApplicationName), kLaunchAction, '0', [this] { launchTalv(); }});
}

void TalvAssistant::talPrefChanged(const Value::Dictionary& userInfo) {
    auto enabled = userInfo.find("enabled");
    bool on = enabled != userInfo.end() && enabled->second.integerOr(0) != 0;
    auto menu = windowMenu();
    if (!menu) return;
    auto item = findTalvItem(*menu);
    if (on && !item) installIntoIChat();
    else if (!on && item) menu->removeItem(*item);
}

void TalvAssistant::launchTalv() {
    auto path = findTalv();
    if (!path) {
        host_.beep();
        return;
    }
    if (!host_.openPath(*path)) {
        logf("Tal Assistant could not open {}", *path);
        host_.beep();
    }
}

std::optional<std::string> TalvAssistant::findTalv() const {
    std::error_code ec;
    if (auto location = applicationPreferences().objectForKey("TalvLocation")) {
        if (const std::string* path = location->asText(); path && !path->empty() && std::filesystem::exists(*path, ec)) {
            return *path;
        }
    }
    auto found = fullPathForApplication(kApplicationName);
    if (found && std::filesystem::exists(*found, ec)) return found;
    return std::nullopt;
}

}  // namespace talv
