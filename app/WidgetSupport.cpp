#include "app/WidgetSupport.h"

#include <gtk/gtk.h>
#include <gtkmm/stylecontext.h>

namespace talv {

void setAccessibleName(Gtk::Widget& widget, const std::string& name) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
}

ClassStyleSheet::~ClassStyleSheet() {
    if (provider_) Gtk::StyleContext::remove_provider_for_display(Gdk::Display::get_default(), provider_);
}

void ClassStyleSheet::set(const std::string& css) {
    if (!provider_) {
        provider_ = Gtk::CssProvider::create();
        Gtk::StyleContext::add_provider_for_display(Gdk::Display::get_default(), provider_,
                                                    GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    provider_->load_from_data(css);
}

}  // namespace talv
