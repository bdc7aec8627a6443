#include "app/TalvPreferences.h"

#include "app/WidgetSupport.h"
#include "display/ApplicationResources.h"
#include "platform/Strings.h"

#include <gtkmm/stackswitcher.h>

namespace talv {
namespace {

constexpr const char* kGeneralPage = "general";
constexpr const char* kUpdatePage = "update";

}  // namespace

TalvPreferences::TalvPreferences(Gtk::Window& mainWindow, UserDefaults& defaults)
    : general_(defaults), updatePage_(Gtk::Orientation::VERTICAL) {
    set_title(tr("Talvessa Preferences"));
    set_transient_for(mainWindow);
    set_hide_on_close(true);
    set_resizable(false);
    setAccessibleName(*this, tr("Talvessa Preferences"));

    pages_.add(general_, kGeneralPage, tr("General"));
    pages_.add(updatePage_, kUpdatePage, tr("Software Update"));
    pages_.set_transition_type(Gtk::StackTransitionType::CROSSFADE);
    pages_.property_visible_child_name().signal_changed().connect([this] {
        if (pages_.get_visible_child_name() != kUpdatePage || updateModule_) return;
        if (auto bundle = update::ProductBundle::atPath(applicationResourcesDirectory())) {
            updateModule_ = Gtk::make_managed<update::PrefUpdateModule>(std::move(*bundle));
            updatePage_.append(*updateModule_);
        }
    });
    auto* switcher = Gtk::make_managed<Gtk::StackSwitcher>();
    switcher->set_stack(pages_);
    switcher->set_halign(Gtk::Align::CENTER);
    switcher->set_margin_top(8);
    setAccessibleName(*switcher, tr("Preference Pages"));
    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
    content->append(*switcher);
    content->append(pages_);
    set_child(*content);
}

TalvPreferences::~TalvPreferences() = default;

void TalvPreferences::showPreferencesPanel() {
    const bool first = !filled_;
    if (first) {
        general_.initializeFromDefaults();
        filled_ = true;
    }
    // Each opening of the window may ask for one rescan.
    if (!get_visible()) general_.enableRescan();
    present();
    if (first) general_.stylePopup().grab_focus();  // the first control
}

}  // namespace talv
