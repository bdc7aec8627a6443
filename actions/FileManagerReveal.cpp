#include "actions/FileManagerReveal.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <gio/gio.h>

#include <filesystem>
#include <memory>

namespace talv {
namespace {

constexpr int kCallTimeoutMilliseconds = 10000;

struct PendingReveal {
    std::string path;
    RevealDone done;
};

std::string openContainingFolder(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(folder.c_str(), nullptr, &error);
    if (uri && g_app_info_launch_default_for_uri(uri, nullptr, &error)) {
        g_free(uri);
        return {};
    }
    g_free(uri);
    std::string message = formatString(tr("The folder \"%@\" could not be opened: %@."), {folder, error ? error->message : ""});
    if (error) g_error_free(error);
    return message;
}

void shown(GObject* bus, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingReveal> pending(static_cast<PendingReveal*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
    if (reply) {
        g_variant_unref(reply);
        pending->done({});
        return;
    }
    logf("No file manager showed {} ({}); opening its folder", pending->path, error->message);
    g_error_free(error);
    pending->done(openContainingFolder(pending->path));
}

}  // namespace

void revealInFileManager(const std::string& path, RevealDone done) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!bus || !uri) {
        g_free(uri);
        if (bus) g_object_unref(bus);
        done(openContainingFolder(path));
        return;
    }
    const gchar* uris[] = {uri, nullptr};
    g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr, shown,
                           new PendingReveal{path, std::move(done)});
    g_free(uri);
    g_object_unref(bus);
}

}  // namespace talv
