#include "app/TalViewOptionsController.h"

#include "app/ChatsTableColumns.h"
#include "platform/Strings.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <algorithm>

namespace talv {

TalViewOptionsController::TalViewOptionsController(UserDefaults& defaults) : defaults_(defaults) {
    window_.set_title(tr("View Options"));
    window_.set_resizable(false);
    window_.set_hide_on_close(true);
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    box->set_margin(12);
    auto* heading = Gtk::make_managed<Gtk::Label>(tr("Columns of the chats list"));
    heading->set_xalign(0);
    heading->add_css_class("heading");
    box->append(*heading);
    for (std::size_t i = 0; i < kChatsTableColumns.size(); ++i) {
        const ChatsTableColumn& column = kChatsTableColumns[i];
        Gtk::CheckButton& box_i = checkboxes_[i];
        box_i.set_label(tr(column.title));
        box_i.set_active(isColumnShown(defaults_, column));
        box_i.signal_toggled().connect([this, i] {
            const bool on = checkboxes_[i].get_active();
            if (isColumnShown(defaults_, kChatsTableColumns[i]) != on) defaults_.setObject(kChatsTableColumns[i].key, on ? 1 : 0);
            checkboxAction();
        });
        observations_.push_back(defaults_.addObserver(column.key, [this, i](const std::optional<Value>&) {
            checkboxes_[i].set_active(isColumnShown(defaults_, kChatsTableColumns[i]));
        }));
        box->append(box_i);
    }
    window_.set_child(*box);
    window_.property_visible().signal_changed().connect([this] {
        if (titleChanged) titleChanged();
    });
    checkboxAction();
}

void TalViewOptionsController::toggle(Gtk::Window& parent) {
    if (visible()) {
        window_.set_visible(false);
        return;
    }
    window_.set_transient_for(parent);
    window_.present();
}

std::string TalViewOptionsController::showViewOptionsTitle() const {
    return visible() ? tr("Hide View Options") : tr("Show View Options");
}

void TalViewOptionsController::checkboxAction() {
    std::vector<bool> on;
    for (const Gtk::CheckButton& box : checkboxes_) on.push_back(box.get_active());
    const std::vector<bool> enabled = enabledCheckboxes(on);
    for (std::size_t i = 0; i < checkboxes_.size(); ++i) checkboxes_[i].set_sensitive(enabled[i]);
}

std::vector<bool> TalViewOptionsController::enabledCheckboxes(const std::vector<bool>& on) {
    std::vector<bool> enabled(on.size(), true);
    if (std::count(on.begin(), on.end(), true) == 1) enabled[static_cast<std::size_t>(std::find(on.begin(), on.end(), true) - on.begin())] = false;
    return enabled;
}

}  // namespace talv
