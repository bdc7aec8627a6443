#pragma once
// Puts the plug-in into Pidgin's plug-in folder, or replaces an older copy there, so that
// Pidgin loads it at its next start. The system-wide folder is written through the privilege
// runner; a per-user install into ~/.purple/plugins needs no privileges. Main thread: blocks
// while the authentication dialog is up and the tools run.
#include "assistant/PrivilegeRunner.h"

#include <filesystem>
#include <string>

namespace talv {

struct AssistantInstallResult {
    enum class Status {
        Installed,
        UpToDate,              // the same or a newer version is installed: nothing was run
        NotInstallable,        // read-only application, or its plug-in is missing or unreadable
        AuthorizationRefused,  // or pkexec is missing: installForUser() is the way left
        Failed,                // a tool failed; `message` says which, for the user
    };
    Status status = Status::NotInstallable;
    std::string message;
};

class TalvAssistantInstaller {
public:
    static constexpr const char* kResourceFolder = "Tal Assistant";
    static constexpr const char* kPluginFile = "tal-assistant.so";
    static constexpr const char* kHelper = "tal-assistant-privileged";

    // Pidgin's system-wide plug-in folder, as the build found it.
    static std::filesystem::path systemPluginFolder();
    // ~/.purple/plugins.
    static std::filesystem::path userPluginFolder();
    // Whether either folder holds the plug-in.
    static bool isInstalled();

    // resources: the application's resource folder, holding "Tal Assistant/tal-assistant.so".
    TalvAssistantInstaller(std::filesystem::path resources, std::filesystem::path destination,
                           PrivilegeRunner& runner);

    // Installs into the destination when it lacks the plug-in or holds an older version (which
    // goes to the Trash first).
    [[nodiscard]] AssistantInstallResult installTalvAssistant();
    // The same into `folder` with the user's own rights.
    [[nodiscard]] AssistantInstallResult installForUser(const std::filesystem::path& folder);

private:
    enum class Decision { Install, UpToDate, NotInstallable };
    // Whether to install into `folder`; an older copy there goes to the Trash first.
    Decision prepareInstall(const std::filesystem::path& folder) const;
    std::filesystem::path source() const;
    AssistantInstallResult uiInstallLocal(const std::filesystem::path& destDir);

    std::filesystem::path resources_;
    std::filesystem::path destination_;
    PrivilegeRunner& runner_;
};

}  // namespace talv
