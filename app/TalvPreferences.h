#pragma once
// The preferences window: its modules on pages chosen from a row of buttons at the top, General
// (PrefGeneralModule) and Software Update (PrefUpdateModule, made when first shown), without OK or
// Apply buttons: every change applies at once. Closing hides it. Main thread only.
#include "app/PrefGeneralModule.h"

#include <gtkmm/stack.h>
#include <gtkmm/window.h>

#include <memory>

namespace talv {

class TalvPreferences : public Gtk::Window {
public:
    TalvPreferences(Gtk::Window& mainWindow, UserDefaults& defaults);
    ~TalvPreferences() override;

    // Shows the window; the first time, the General module's controls are filled.
    void showPreferencesPanel();
    PrefGeneralModule& generalModule() { return general_; }
    // The pages, "general" and "update".
    Gtk::Stack& pages() { return pages_; }
    // None until the page was first shown.
    update::PrefUpdateModule* updateModule() { return updateModule_; }
    bool usesButtons() const { return false; }

private:
    Gtk::Stack pages_;
    PrefGeneralModule general_;
    Gtk::Box updatePage_;
    update::PrefUpdateModule* updateModule_ = nullptr;
    bool filled_ = false;
};

}  // namespace talv
