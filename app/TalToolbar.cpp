#include "app/TalToolbar.h"

#include "app/ToolbarConfiguration.h"
#include "app/WidgetSupport.h"
#include "platform/Strings.h"

#include <giomm/menu.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/separator.h>

namespace talv {

TalToolbar::TalToolbar(ItemFactory factory) : factory_(std::move(factory)), box_(Gtk::Orientation::HORIZONTAL, 4) {
    box_.add_css_class("toolbar");
    box_.add_css_class("talv-toolbar");
    setAccessibleName(box_, tr("Toolbar"));

    auto menu = Gio::Menu::create();
    menu->append(tr("Customize Toolbar..."), "win.customize-toolbar");
    contextMenu_.set_menu_model(menu);
    contextMenu_.set_parent(box_);
    contextMenu_.set_has_arrow(false);
    auto click = Gtk::GestureClick::create();
    click->set_button(3);
    click->signal_pressed().connect([this](int, double x, double y) {
        contextMenu_.set_pointing_to(Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), 1, 1));
        contextMenu_.popup();
    });
    box_.add_controller(click);
}

TalToolbar::~TalToolbar() { contextMenu_.unparent(); }

void TalToolbar::setItems(std::vector<std::string> identifiers) {
    for (Gtk::Widget* widget : widgets_) box_.remove(*widget);
    widgets_.clear();
    items_.clear();
    for (std::string& identifier : identifiers) {
        Gtk::Widget* widget = nullptr;
        if (identifier == ToolbarItem::kSeparator) {
            widget = Gtk::make_managed<Gtk::Separator>(Gtk::Orientation::VERTICAL);
        } else if (identifier == ToolbarItem::kSpace || identifier == ToolbarItem::kFlexibleSpace) {
            auto* space = Gtk::make_managed<Gtk::Box>();
            space->set_size_request(identifier == ToolbarItem::kSpace ? 16 : 8, -1);
            space->set_hexpand(identifier == ToolbarItem::kFlexibleSpace);
            widget = space;
        } else {
            widget = factory_(identifier);
        }
        if (!widget) continue;
        box_.append(*widget);
        widgets_.push_back(widget);
        items_.push_back(std::move(identifier));
    }
}

Gtk::Widget* TalToolbar::itemWidget(const std::string& identifier) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == identifier) return widgets_[i];
    }
    return nullptr;
}

}  // namespace talv
