#pragma once
// The view-options panel: six check boxes, one per column of the chats table (the "Column..."
// user defaults). At least one stays on: when exactly one is on, it cannot be switched off.
// Main thread only.
#include "platform/UserDefaults.h"

#include <gtkmm/checkbutton.h>
#include <gtkmm/window.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace talv {

class TalViewOptionsController {
public:
    explicit TalViewOptionsController(UserDefaults& defaults);
    TalViewOptionsController(const TalViewOptionsController&) = delete;
    TalViewOptionsController& operator=(const TalViewOptionsController&) = delete;

    Gtk::Window& window() { return window_; }
    bool visible() const { return window_.get_visible(); }
    // Shows the panel (in front of `parent`) when hidden, hides it when shown.
    void toggle(Gtk::Window& parent);
    // "Hide View Options" while the panel is shown, else "Show View Options".
    std::string showViewOptionsTitle() const;
    // Told whenever showViewOptionsTitle changes.
    std::function<void()> titleChanged;

    Gtk::CheckButton& checkbox(std::size_t index) { return checkboxes_.at(index); }
    // Enables or disables the boxes by the rule; the boxes' action.
    void checkboxAction();

    // Which boxes may be switched: all, except the only one that is on.
    static std::vector<bool> enabledCheckboxes(const std::vector<bool>& on);

private:
    UserDefaults& defaults_;
    Gtk::Window window_;
    std::array<Gtk::CheckButton, 6> checkboxes_;
    std::vector<ObserverToken> observations_;
};

}  // namespace talv
