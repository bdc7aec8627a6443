#include "app/AlertSheet.h"

#include "app/WidgetSupport.h"

#include <glibmm/main.h>

namespace talv {

AlertSheet::AlertSheet(Gtk::Window& parent, const std::vector<std::string>& buttons, std::optional<std::string> checkBox,
                       Response response)
    : response_(std::move(response)) {
    set_transient_for(parent);
    set_modal(true);
    set_resizable(false);
    set_hide_on_close(true);
    set_default_size(420, -1);

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
    content->set_margin(18);
    headingLabel_.add_css_class("title-4");
    headingLabel_.set_wrap(true);
    headingLabel_.set_xalign(0);
    message_.set_wrap(true);
    message_.set_xalign(0);
    message_.set_max_width_chars(60);
    content->append(headingLabel_);
    content->append(message_);
    if (checkBox) {
        checkBox_.set_label(*checkBox);
        setAccessibleName(checkBox_, *checkBox);
        content->append(checkBox_);
    }
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    row->set_halign(Gtk::Align::END);
    row->set_margin_top(6);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto* button = Gtk::make_managed<Gtk::Button>(buttons[i]);
        setAccessibleName(*button, buttons[i]);
        button->signal_clicked().connect([this, i] { respond(i); });
        row->append(*button);
        buttons_.push_back(button);
    }
    if (!buttons_.empty()) {
        buttons_.back()->add_css_class("suggested-action");
        set_default_widget(*buttons_.back());
    }
    content->append(*row);
    set_child(*content);
    signal_close_request().connect(
        [this] {
            respond(0);
            return true;
        },
        false);
}

AlertSheet::~AlertSheet() { pendingResponse_.disconnect(); }

void AlertSheet::present(const std::string& heading, const std::string& message, bool checked) {
    heading_ = heading;
    headingLabel_.set_text(heading);
    message_.set_text(message);
    message_.set_visible(!message.empty());
    checkBox_.set_active(checked);
    set_title(heading);
    setAccessibleName(*this, heading);
    Gtk::Window::present();
    if (!buttons_.empty()) buttons_.back()->grab_focus();
}

void AlertSheet::respond(std::size_t button) {
    if (!get_visible() || pendingResponse_.connected()) return;
    hide();
    const bool checked = checkBox_.get_active();
    pendingResponse_ = Glib::signal_idle().connect([this, button, checked] {
        response_(button, checked);
        return false;
    });
}

void AlertSheet::setDestructive(bool destructive) {
    if (buttons_.empty()) return;
    if (destructive) {
        buttons_.back()->remove_css_class("suggested-action");
        buttons_.back()->add_css_class("destructive-action");
    } else {
        buttons_.back()->remove_css_class("destructive-action");
        buttons_.back()->add_css_class("suggested-action");
    }
}

}  // namespace talv
