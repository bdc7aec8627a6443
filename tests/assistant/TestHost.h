#pragma once
// An in-memory chat client for the assistant: Pidgin's menu bar as plain data, notifications
// posted by the test, opened paths and beeps recorded.
#include "assistant/AssistantHost.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talv::test {

struct MenuData;

struct MenuItemData {
    std::string title;
    std::string action;
    char keyEquivalent = 0;
    std::function<void()> activate;
    std::shared_ptr<MenuData> submenu;
};

struct MenuData {
    std::vector<MenuItemData> items;
};

class TestHost : public AssistantHost {
public:
    explicit TestHost(std::string identifier = "pidgin");

    std::string bundleIdentifier() const override { return identifier_; }
    std::unique_ptr<HostMenu> mainMenu() override;
    ObserverToken subscribe(const std::string& name, std::function<void(const Value::Dictionary&)> handler) override;
    bool openPath(const std::string& path) override;
    void beep() override { ++beeps; }

    void post(const std::string& name, const Value::Dictionary& userInfo);
    std::size_t subscriptions() const { return handlers_.size(); }
    // The Tools menu, which holds "/Tools/Plugins".
    MenuData& tools() { return *menuBar->items.at(1).submenu; }
    // The items of the Tools menu whose action is the assistant's.
    std::vector<MenuItemData*> assistantItems();

    std::shared_ptr<MenuData> menuBar;
    std::vector<std::string> opened;
    int beeps = 0;
    bool openSucceeds = true;

private:
    std::string identifier_;
    std::map<int, std::pair<std::string, std::function<void(const Value::Dictionary&)>>> handlers_;
    int nextHandler_ = 0;
};

}  // namespace talv::test
