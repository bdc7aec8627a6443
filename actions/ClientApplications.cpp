#include "actions/ClientApplications.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <filesystem>

namespace talv {
namespace {

bool sameIgnoringCase(const std::string& a, const char* b) { return g_ascii_strcasecmp(a.c_str(), b) == 0; }

// The default application for the file's type, or none.
GAppInfo* defaultApplicationForFile(GFile* file) {
    GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (!info) return nullptr;
    const char* type = g_file_info_get_content_type(info);
    GAppInfo* app = type ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
    g_object_unref(info);
    return app;
}

// The application for `name`, or none with the reason in `message`.
GAppInfo* applicationFor(const std::string& name, GFile* file, const std::string& path, const UserDefaults& defaults,
                         std::string& message) {
    const Value::Dictionary mapping = defaults.dictionaryForKey(kChatClientApplicationsKey);
    if (auto entry = mapping.find(name); entry != mapping.end() && entry->second.asText()) {
        const std::string& id = *entry->second.asText();
        if (GDesktopAppInfo* app = g_desktop_app_info_new(id.c_str())) return G_APP_INFO(app);
        message = formatString(tr("The application \"%@\" chosen for %@ is not installed."), {id, name});
        return nullptr;
    }
    GAppInfo* app = name == "Safari" ? g_app_info_get_default_for_uri_scheme("https") : defaultApplicationForFile(file);
    if (!app) {
        message = name == "Safari" ? tr("No web browser is set as the default.")
                                   : formatString(tr("No application is set to open \"%@\"."), {path});
    }
    return app;
}

}  // namespace

std::optional<std::string> clientApplicationName(const std::optional<std::string>& kind, const std::string& path) {
    if (!kind || sameIgnoringCase(*kind, "iChat")) return "iChat";
    if (sameIgnoringCase(*kind, "Fire")) return "Fire";
    if (!sameIgnoringCase(*kind, "Adium")) return std::nullopt;
    return sameIgnoringCase(std::filesystem::path(path).extension().string(), ".html") ? "Safari" : "Adium";
}

std::string openInClient(const std::string& path, const std::string& name, const UserDefaults& defaults) {
    GFile* file = g_file_new_for_path(path.c_str());
    std::string message;
    if (GAppInfo* app = applicationFor(name, file, path, defaults, message)) {
        GList files{file, nullptr, nullptr};
        GError* error = nullptr;
        if (!g_app_info_launch(app, &files, nullptr, &error)) {
            message = formatString(tr("%@ could not open \"%@\": %@."), {g_app_info_get_name(app), path, error->message});
            g_error_free(error);
        }
        g_object_unref(app);
    }
    g_object_unref(file);
    return message;
}

}  // namespace talv
