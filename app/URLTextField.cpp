#include "app/URLTextField.h"

#include "platform/Log.h"

#include <gio/gio.h>
#include <glibmm/markup.h>
#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/gestureclick.h>

namespace talv {

void openInDefaultApplication(const std::string& url) {
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) {
        logf("Cannot open {}: {}", url, error ? error->message : "no application");
        g_clear_error(&error);
    }
}

URLTextField::URLTextField(const std::string& markedText) {
    const std::size_t open = markedText.find("<a>");
    const std::size_t close = open == std::string::npos ? std::string::npos : markedText.find("</a>", open);
    if (close == std::string::npos) {
        set_text(markedText);  // no link
    } else {
        const std::string before = markedText.substr(0, open), link = markedText.substr(open + 3, close - open - 3),
                          after = markedText.substr(close + 4);
        linkStart_ = static_cast<int>(before.size());
        linkEnd_ = linkStart_ + static_cast<int>(link.size());
        set_markup(Glib::Markup::escape_text(before) + "<span foreground=\"blue\" underline=\"single\">" +
                   Glib::Markup::escape_text(link) + "</span>" + Glib::Markup::escape_text(after));
    }

    auto motion = Gtk::EventControllerMotion::create();
    motion->signal_motion().connect([this](double x, double y) { set_cursor(isOnLink(x, y) ? "pointer" : ""); });
    add_controller(motion);
    auto click = Gtk::GestureClick::create();
    click->signal_pressed().connect([this, click = click.get()](int, double x, double y) {
        if (mouseDown(x, y)) click->set_state(Gtk::EventSequenceState::CLAIMED);
    });
    add_controller(click);
}

bool URLTextField::isOnLink(double x, double y) {
    if (linkEnd_ <= linkStart_) return false;
    int offsetX = 0, offsetY = 0;
    get_layout_offsets(offsetX, offsetY);
    int index = 0, trailing = 0;
    const bool inside = get_layout()->xy_to_index(static_cast<int>((x - offsetX) * PANGO_SCALE),
                                                  static_cast<int>((y - offsetY) * PANGO_SCALE), index, trailing);
    return inside && index >= linkStart_ && index < linkEnd_;
}

bool URLTextField::mouseDown(double x, double y) {
    if (URLString_.empty() || !isOnLink(x, y)) return false;
    openInDefaultApplication(URLString_);
    return true;
}

}  // namespace talv
