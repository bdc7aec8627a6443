#include "tests/assistant/TestHost.h"

#include "assistant/TalvAssistant.h"

namespace talv::test {
namespace {

class TestMenu : public HostMenu {
public:
    explicit TestMenu(std::shared_ptr<MenuData> data) : data_(std::move(data)) {}
    std::size_t numberOfItems() const override { return data_->items.size(); }
    std::string actionOfItem(std::size_t index) const override { return data_->items.at(index).action; }
    std::unique_ptr<HostMenu> submenuOfItem(std::size_t index) const override {
        auto& submenu = data_->items.at(index).submenu;
        return submenu ? std::make_unique<TestMenu>(submenu) : nullptr;
    }
    void addItem(HostMenuItemSpec item) override {
        data_->items.push_back({item.title, item.action, item.keyEquivalent, std::move(item.activate), nullptr});
    }
    void removeItem(std::size_t index) override { data_->items.erase(data_->items.begin() + static_cast<long>(index)); }

private:
    std::shared_ptr<MenuData> data_;
};

std::shared_ptr<MenuData> menuOf(std::vector<std::string> actions) {
    auto menu = std::make_shared<MenuData>();
    for (auto& action : actions) menu->items.push_back({action.substr(action.rfind('/') + 1), action, 0, {}, nullptr});
    return menu;
}

}  // namespace

TestHost::TestHost(std::string identifier) : menuBar(std::make_shared<MenuData>()), identifier_(std::move(identifier)) {
    menuBar->items.push_back({"Buddies", "/Buddies", 0, {}, menuOf({"/Buddies/Add Buddy...", "/Buddies/Quit"})});
    menuBar->items.push_back({"Tools", "/Tools", 0, {}, menuOf({"/Tools/Plugins", "/Tools/Preferences"})});
    menuBar->items.push_back({"Help", "/Help", 0, {}, menuOf({"/Help/About"})});
}

std::unique_ptr<HostMenu> TestHost::mainMenu() { return std::make_unique<TestMenu>(menuBar); }

ObserverToken TestHost::subscribe(const std::string& name, std::function<void(const Value::Dictionary&)> handler) {
    int id = nextHandler_++;
    handlers_.emplace(id, std::make_pair(name, std::move(handler)));
    return ObserverToken([this, id] { handlers_.erase(id); });
}

bool TestHost::openPath(const std::string& path) {
    opened.push_back(path);
    return openSucceeds;
}

void TestHost::post(const std::string& name, const Value::Dictionary& userInfo) {
    auto handlers = handlers_;
    for (auto& [id, entry] : handlers) {
        if (entry.first == name) entry.second(userInfo);
    }
}

std::vector<MenuItemData*> TestHost::assistantItems() {
    std::vector<MenuItemData*> found;
    for (auto& item : tools().items) {
        if (item.action == TalvAssistant::kLaunchAction) found.push_back(&item);
    }
    return found;
}

}  // namespace talv::test
