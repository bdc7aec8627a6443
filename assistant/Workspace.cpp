#include "assistant/Workspace.h"

#include "platform/Log.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <filesystem>

namespace talv {
namespace {

bool reportFailure(const std::string& path, GError* error) {
    logf("Could not open {}: {}", path, error ? error->message : "no application");
    if (error) g_error_free(error);
    return false;
}

}  // namespace

std::optional<std::string> fullPathForApplication(std::string_view name) {
    std::optional<std::string> found;
    GList* all = g_app_info_get_all();
    for (GList* l = all; l && !found; l = l->next) {
        auto* info = static_cast<GAppInfo*>(l->data);
        if (G_IS_DESKTOP_APP_INFO(info) && name == g_app_info_get_name(info)) {
            if (const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info))) found = file;
        }
    }
    g_list_free_full(all, g_object_unref);
    return found;
}

bool openFile(const std::string& path) {
    GError* error = nullptr;
    std::error_code ec;
    if (path.ends_with(".desktop")) {
        GDesktopAppInfo* app = g_desktop_app_info_new_from_filename(path.c_str());
        if (!app) return reportFailure(path, nullptr);
        bool launched = g_app_info_launch(G_APP_INFO(app), nullptr, nullptr, &error);
        g_object_unref(app);
        return launched || reportFailure(path, error);
    }
    if (std::filesystem::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0) {
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        return g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error) ||
               reportFailure(path, error);
    }
    char* uri = g_filename_to_uri(path.c_str(), nullptr, &error);
    if (!uri) return reportFailure(path, error);
    bool opened = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    g_free(uri);
    return opened || reportFailure(path, error);
}

}  // namespace talv
