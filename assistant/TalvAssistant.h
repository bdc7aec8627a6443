#pragma once
// The assistant inside a chat client: one item in the client's window menu that opens
// Talvessa, shown while the application's setting "EnhanceIChat" is on. The setting is read
// from the application's preferences at start and followed live through the session-bus
// notification "orvane.tal.assistant". Main thread of the host only.
#include "assistant/AssistantHost.h"

#include <memory>
#include <optional>
#include <string>

namespace talv {

class TalvAssistant {
public:
    static constexpr const char* kNotificationName = "orvane.tal.assistant";
    static constexpr const char* kLaunchAction = "launchTalv:";
    // The item of Pidgin's Tools menu by which that menu stands for the window menu.
    static constexpr const char* kWindowMenuMarkerAction = "/Tools/Plugins";

    // None in a host that is not a supported chat client (nothing is registered then).
    // The host must outlive the assistant.
    static std::unique_ptr<TalvAssistant> create(AssistantHost& host);
    // Takes the item out of the menu: the host may unload the code its action calls.
    ~TalvAssistant();
    TalvAssistant(const TalvAssistant&) = delete;
    TalvAssistant& operator=(const TalvAssistant&) = delete;

    // Appends the item to the window menu when the application can be found.
    void installIntoIChat();
    // Shows or removes the item after the notification's "enabled".
    void talPrefChanged(const Value::Dictionary& userInfo);
    // Opens the application, or beeps when it cannot be found or opened.
    void launchTalv();
    // The application's path: "TalvLocation" when it exists, else the desktop file of the
    // desktop application named "Talvessa".
    std::optional<std::string> findTalv() const;

    static bool isWindowMenu(const HostMenu& menu);
    // The index of the assistant's item (found by its action alone), if the menu has it.
    static std::optional<std::size_t> findTalvItem(const HostMenu& menu);

private:
    explicit TalvAssistant(AssistantHost& host) : host_(host) {}
    std::unique_ptr<HostMenu> windowMenu() const;

    AssistantHost& host_;
    ObserverToken subscription_;
};

}  // namespace talv
