#pragma once
// The preferences' assistant check box ("EnhanceIChat") without the window: what filling the
// controls and toggling the box do. Main thread.
#include "assistant/TalvAssistantInstaller.h"
#include "platform/UserDefaults.h"

#include <filesystem>
#include <optional>
#include <string>

namespace talv {

// Filling the controls: "EnhanceIChat" becomes 0 when the plug-in is not installed
// (TalvAssistantInstaller::isInstalled()), and takes 1 or 0 after `installed` when it has no
// value. False when the preferences file could not be written.
[[nodiscard]] bool initializeEnhanceIChat(UserDefaults& defaults, bool installed);

struct EnhanceToggleResult {
    // What the installer did (turning the setting on only).
    std::optional<AssistantInstallResult> install;
    // Empty when the setting reached the preferences file and the session bus; otherwise a
    // message for the user.
    std::string problem;
};

// The check box's action: when on, runs the installer; then stores "EnhanceIChat", writes the
// preferences to disk and posts "orvane.tal.assistant" with "enabled" = on. When the result's
// install is AuthorizationRefused the window may offer installer.installForUser().
[[nodiscard]] EnhanceToggleResult toggleEnhance(bool on, UserDefaults& defaults, TalvAssistantInstaller& installer);

// The installer the check box uses: the application's resources (applicationResourcesDirectory())
// into Pidgin's system plug-in folder through pkexec. Keep `runner` alive while it is used.
PkexecRunner applicationPrivilegeRunner(const std::filesystem::path& resources);

}  // namespace talv
