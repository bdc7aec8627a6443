#include "assistant/AssistantPreference.h"

#include "assistant/TalvAssistant.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Strings.h"

namespace talv {

bool initializeEnhanceIChat(UserDefaults& defaults, bool installed) {
    if (!installed) return defaults.setObject("EnhanceIChat", Value(0));
    return defaults.objectForKey("EnhanceIChat") || defaults.setObject("EnhanceIChat", Value(1));
}

EnhanceToggleResult toggleEnhance(bool on, UserDefaults& defaults, TalvAssistantInstaller& installer) {
    EnhanceToggleResult result;
    if (on) result.install = installer.installTalvAssistant();
    const int state = on ? 1 : 0;
    bool written = defaults.setObject("EnhanceIChat", Value(state)) && defaults.synchronize();
    bool posted = DistributedNotificationCenter::postNotificationName(TalvAssistant::kNotificationName, "",
                                                                       Value::Dictionary{{"enabled", Value(state)}});
    if (!written) result.problem = tr("The setting could not be saved in your preferences.");
    else if (!posted) result.problem = tr("Running chat clients could not be told of the change; they follow it at their next start.");
    return result;
}

PkexecRunner applicationPrivilegeRunner(const std::filesystem::path& resources) {
    return PkexecRunner(resources / TalvAssistantInstaller::kHelper);
}

}  // namespace talv
