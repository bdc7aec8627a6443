#include "updater/UpdateWindow.h"

#include "platform/Strings.h"

#include <webkit/webkit.h>

namespace talv::update {
namespace {

void setAccessibleLabel(Gtk::Widget& widget, const std::string& label) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(), -1);
}

}  // namespace

UpdateWindow::UpdateWindow(OVSUController& controller, std::function<void()> closed)
    : controller_(controller), closed_(std::move(closed)), moreInfo_(tr("More Info…")), cancel_(tr("Cancel")),
      main_(tr("Install")) {
    set_default_size(640, 520);
    set_hide_on_close(true);
    signal_close_request().connect(
        [this] {
            if (closed_) closed_();
            return false;
        },
        false);

    auto* outer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 16);
    outer->set_margin(18);
    icon_.set_pixel_size(96);
    icon_.set_valign(Gtk::Align::START);
    setAccessibleLabel(icon_, tr("Product icon"));
    outer->append(icon_);

    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
    column->set_hexpand(true);
    title_.add_css_class("title-2");
    for (Gtk::Label* label : {&title_, &info_, &location_, &status_}) {
        label->set_xalign(0);
        label->set_wrap(true);
    }
    column->append(title_);
    column->append(info_);

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_javascript(settings, false);
    GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, nullptr));
    g_object_unref(settings);
    notes_ = Glib::wrap(view);
    notes_->set_vexpand(true);
    notes_->set_size_request(-1, 220);
    setAccessibleLabel(*notes_, tr("Release notes"));
    auto* frame = Gtk::make_managed<Gtk::Frame>();
    frame->set_child(*Gtk::manage(notes_));
    column->append(*frame);

    column->append(location_);
    column->append(deleteBox_);
    column->append(status_);
    setAccessibleLabel(progress_, tr("Download progress"));
    progress_.set_visible(false);
    column->append(progress_);

    auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    auto* spacer = Gtk::make_managed<Gtk::Box>();
    spacer->set_hexpand(true);
    main_.add_css_class("suggested-action");
    buttons->append(moreInfo_);
    buttons->append(*spacer);
    buttons->append(cancel_);
    buttons->append(main_);
    column->append(*buttons);
    outer->append(*column);
    set_child(*outer);
    set_default_widget(main_);

    moreInfo_.signal_clicked().connect([this] { controller_.moreInfo(); });
    cancel_.signal_clicked().connect([this] { controller_.cancelWhatever(); });
    main_.signal_clicked().connect([this] { mainButtonClicked(); });
}

void UpdateWindow::show(const UpdateWindowContents& c) {
    set_title(c.windowTitle);
    title_.set_text(c.titleText);
    info_.set_text(c.infoText);
    if (!c.productIcon.empty()) icon_.set(c.productIcon.string());
    else icon_.set_from_icon_name("system-software-update");
    if (c.releaseNotesHTML) webkit_web_view_load_html(WEBKIT_WEB_VIEW(notes_->gobj()), c.releaseNotesHTML->c_str(), "about:blank");
    notes_->get_parent()->set_visible(c.releaseNotesHTML.has_value());
    location_.set_text(c.downloadLocationText);
    location_.set_visible(c.downloadsFile);
    deleteBox_.set_label(c.deleteBoxTitle);
    deleteBox_.set_active(c.deleteAfterDone);
    deleteBox_.set_visible(c.downloadsFile);
    main_.set_label(c.downloadsFile ? tr("Install") : tr("Download"));
    status_.set_visible(false);
    g_set_application_name(get_title().c_str());
    present();
    main_.grab_focus();
}

void UpdateWindow::bringToFront() { present(); }

void UpdateWindow::setStatusText(const std::string& text) {
    status_.set_text(text);
    status_.set_visible(true);
}

void UpdateWindow::setProgress(std::optional<double> fraction) {
    progress_.set_visible(true);
    pulse_.disconnect();
    if (fraction) {
        progress_.set_fraction(*fraction);
        return;
    }
    pulse_ = Glib::signal_timeout().connect(
        [this] {
            progress_.pulse();
            return true;
        },
        100);
}

void UpdateWindow::showDownloading() {
    moreInfo_.set_visible(false);
    cancel_.set_visible(false);
    main_.set_label(cancel_.get_label());
    mainAction_ = MainAction::Cancel;
}

void UpdateWindow::showFinished() {
    pulse_.disconnect();
    main_.set_label(tr("Close"));
    mainAction_ = MainAction::Close;
    set_default_widget(main_);
    main_.grab_focus();
}

bool UpdateWindow::deleteAfterDone() const { return deleteBox_.get_active(); }

void UpdateWindow::close() {
    pulse_.disconnect();
    set_visible(false);
    if (closed_) closed_();
}

void UpdateWindow::mainButtonClicked() {
    switch (mainAction_) {
    case MainAction::Install: controller_.runInstaller(); break;
    case MainAction::Cancel: controller_.cancelWhatever(); break;
    case MainAction::Close: close(); break;
    }
}

}  // namespace talv::update
