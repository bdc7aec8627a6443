#pragma once
// What the assistant needs of the chat client that loads it: its identifier, its menus, the
// session bus, opening a path and the beep. The Pidgin plug-in implements it over GTK 2; tests
// implement it in memory. Everything is called on the host's main thread.
#include "platform/ObserverToken.h"
#include "platform/Value.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace talv {

// An item the assistant adds to a host menu.
struct HostMenuItemSpec {
    std::string title;
    std::string action;             // how the item is found again, whatever its title
    char keyEquivalent = 0;         // with the primary modifier alone (Ctrl on Linux)
    std::function<void()> activate; // called when the user chooses the item
};

// A view of one menu of the host. Indexes are valid until the menu changes.
class HostMenu {
public:
    virtual ~HostMenu() = default;
    virtual std::size_t numberOfItems() const = 0;
    // The item's action, "" when it has none.
    virtual std::string actionOfItem(std::size_t index) const = 0;
    // The item's submenu, nullptr when it has none.
    virtual std::unique_ptr<HostMenu> submenuOfItem(std::size_t index) const = 0;
    // Appends the item at the end of the menu.
    virtual void addItem(HostMenuItemSpec item) = 0;
    virtual void removeItem(std::size_t index) = 0;
};

class AssistantHost {
public:
    virtual ~AssistantHost() = default;
    // The host program's identifier ("pidgin").
    virtual std::string bundleIdentifier() const = 0;
    // The menu bar of the host's main window, nullptr when it has none.
    virtual std::unique_ptr<HostMenu> mainMenu() = 0;
    // Calls handler with the user information of each session-bus notification of that name
    // while the token lives.
    [[nodiscard]] virtual ObserverToken subscribe(const std::string& name,
                                                  std::function<void(const Value::Dictionary&)> handler) = 0;
    // Opens the path (starts the program or brings it to the front). False when it could not.
    virtual bool openPath(const std::string& path) = 0;
    virtual void beep() = 0;
};

}  // namespace talv
