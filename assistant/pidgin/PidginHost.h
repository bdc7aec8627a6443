#pragma once
// The assistant's host in Pidgin: the buddy list's menu bar as the main menu, GTK 2 menu items,
// the session bus through GDBus. Pidgin's main thread only.
#include "assistant/AssistantHost.h"

namespace talv {

class PidginHost : public AssistantHost {
public:
    std::string bundleIdentifier() const override;
    std::unique_ptr<HostMenu> mainMenu() override;
    ObserverToken subscribe(const std::string& name, std::function<void(const Value::Dictionary&)> handler) override;
    bool openPath(const std::string& path) override;
    void beep() override;
};

}  // namespace talv
