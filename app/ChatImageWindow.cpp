#include "app/ChatImageWindow.h"

#include "app/WidgetSupport.h"
#include "platform/Strings.h"

#include <gdk/gdk.h>
#include <giomm/file.h>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <gtkmm/dragsource.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/shortcutcontroller.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

namespace talv {
namespace {

constexpr int kDragIconSize = 32;

// The monitor of the application's active window, else the first one (a reference of the caller's).
GdkMonitor* mainMonitor() {
    GdkDisplay* display = gdk_display_get_default();
    auto application = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
    if (Gtk::Window* main = application ? application->get_active_window() : nullptr) {
        if (auto surface = main->get_surface()) {
            if (GdkMonitor* monitor = gdk_display_get_monitor_at_surface(display, surface->gobj()))
                return GDK_MONITOR(g_object_ref(monitor));
        }
    }
    return display ? GDK_MONITOR(g_list_model_get_item(gdk_display_get_monitors(display), 0)) : nullptr;
}

// The file list (and the file) of a drag out of the window.
Glib::RefPtr<Gdk::ContentProvider> fileContent(const std::filesystem::path& file) {
    GFile* gfile = g_file_new_for_path(file.c_str());
    GdkFileList* list = gdk_file_list_new_from_array(&gfile, 1);
    GdkContentProvider* providers[] = {gdk_content_provider_new_typed(GDK_TYPE_FILE_LIST, list),
                                       gdk_content_provider_new_typed(G_TYPE_FILE, gfile)};
    GdkContentProvider* content = gdk_content_provider_new_union(providers, 2);
    g_boxed_free(GDK_TYPE_FILE_LIST, list);
    g_object_unref(gfile);
    return Glib::wrap(content);
}

}  // namespace

ChatImageWindow::ChatImageWindow(ChatImageWindowController& controller) {
    const std::int64_t pictureID = controller.imageID();
    window_.set_title(tr("Picture"));
    window_.set_hide_on_close(true);
    window_.set_default_size(320, 240);
    picture_.set_content_fit(Gtk::ContentFit::SCALE_DOWN);
    picture_.set_can_shrink(true);
    setAccessibleName(picture_, tr("Picture"));
    window_.set_child(picture_);

    auto drag = Gtk::DragSource::create();
    drag->set_actions(Gdk::DragAction::COPY);
    drag->signal_prepare().connect(
        [this, drag](double, double) -> Glib::RefPtr<Gdk::ContentProvider> {
            if (!file_) return {};  // nothing to drag: an ordinary click
            if (auto icon = Gtk::IconTheme::get_for_display(window_.get_display())
                                ->lookup_icon("image-x-generic", kDragIconSize, 1, Gtk::TextDirection::NONE, static_cast<Gtk::IconLookupFlags>(0)))
                drag->set_icon(icon, kDragIconSize / 2, kDragIconSize / 2);
            return fileContent(*file_);
        },
        false);
    picture_.add_controller(drag);

    // Escape and Ctrl+W close the window, as the close button does.
    auto keys = Gtk::ShortcutController::create();
    keys->set_scope(Gtk::ShortcutScope::LOCAL);
    for (const char* trigger : {"Escape", "<Control>w"})
        keys->add_shortcut(Gtk::Shortcut::create(Gtk::ShortcutTrigger::parse_string(trigger), Gtk::NamedAction::create("window.close")));
    window_.add_controller(keys);

    // The window hides; its controller (and so this window) goes on the next turn of the loop.
    window_.signal_hide().connect([pictureID, &controller] {
        Glib::signal_idle().connect_once([pictureID, &controller] {
            ChatImageWindowController* open = ChatImageWindowController::openController(pictureID);
            auto* window = open == &controller ? dynamic_cast<ChatImageWindow*>(open->window()) : nullptr;
            if (window && !window->window_.get_visible()) open->windowWillClose();
        });
    });
}

void ChatImageWindow::showImage(const Bytes& picture) {
    GBytes* bytes = g_bytes_new(picture.data(), picture.size());
    GdkTexture* texture = gdk_texture_new_from_bytes(bytes, nullptr);
    g_bytes_unref(bytes);
    if (!texture) return;
    picture_.set_paintable(Glib::wrap(GDK_PAINTABLE(texture)));
}

PictureSize ChatImageWindow::visibleScreenFrame() const {
    std::unique_ptr<GdkMonitor, decltype(&g_object_unref)> monitor(mainMonitor(), g_object_unref);
    GdkRectangle area{0, 0, 0, 0};
    if (!monitor) return {area.width, area.height};
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_MONITOR(monitor.get())) {
        gdk_x11_monitor_get_workarea(monitor.get(), &area);
        return {area.width, area.height};
    }
#endif
    gdk_monitor_get_geometry(monitor.get(), &area);
    return {area.width, area.height};
}

void ChatImageWindow::setFrameSize(PictureSize frame) { window_.set_default_size(frame.width, frame.height); }

void ChatImageWindow::setRepresentedFile(const std::filesystem::path& file) {
    file_ = file;
    window_.set_title(file.filename().string());
    setAccessibleName(picture_, file.filename().string());
}

void ChatImageWindow::makeKeyAndOrderFront() { window_.present(); }

ChatImageWindowController& openChatImageWindow(std::int64_t pictureID) {
    return ChatImageWindowController::windowWithChatImageID(
        pictureID, [](ChatImageWindowController& controller) { return std::make_unique<ChatImageWindow>(controller); },
        storedImageRecord);
}

}  // namespace talv
