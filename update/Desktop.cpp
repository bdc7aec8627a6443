#include "update/Desktop.h"

#include "platform/Log.h"

#include <gio/gio.h>

#include <array>
#include <cstring>
#include <memory>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

bool launchDefault(const std::string& uri) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) return true;
    logf("Error {} occurred while attempting to open the URL {}. {}", error ? error->code : -1, uri,
         error ? error->message : "");
    g_clear_error(&error);
    return false;
}

// Types whose default handler would run the file as a program.
bool runsAsProgram(const fs::path& path) {
    std::unique_ptr<gchar, decltype(&g_free)> type(g_content_type_guess(path.c_str(), nullptr, 0, nullptr), g_free);
    constexpr std::array kProgramTypes = {"application/x-executable", "application/x-sharedlib",
                                          "application/x-shellscript", "application/x-desktop",
                                          "application/x-ms-dos-executable", "application/x-java-archive"};
    for (const char* programType : kProgramTypes)
        if (type && g_content_type_is_a(type.get(), programType)) return true;
    return false;
}

class SystemDesktop final : public Desktop {
public:
    bool openURL(const std::string& url) override {
        if (!g_str_has_prefix(url.c_str(), "https://") && !g_str_has_prefix(url.c_str(), "http://")) {
            logf("Refused to open {}: not a web address", url);
            return false;
        }
        return launchDefault(url);
    }
    bool openFile(const fs::path& path) override {
        if (runsAsProgram(path)) {
            logf("Refused to open {}: it would run as a program", path.string());
            return false;
        }
        std::unique_ptr<gchar, decltype(&g_free)> uri(g_filename_to_uri(path.c_str(), nullptr, nullptr), g_free);
        return uri && launchDefault(uri.get());
    }
};

}  // namespace

std::shared_ptr<Desktop> Desktop::system() { return std::make_shared<SystemDesktop>(); }

}  // namespace talv::update
