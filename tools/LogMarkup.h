#pragma once
// Markup shared by the transcript writers. Pure functions (the local zone for times); thread-safe.
#include "platform/Date.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace talv {

class LogMarkup {
public:
    // For an attribute value: "&", "<", ">" and '"' as entities, line breaks as spaces.
    static std::string attribute(std::string_view text);
    // Escaped text with links and e-mail addresses as anchors and line breaks as "<br/>".
    static std::string html(std::string_view text);
    // The date in the local zone through a GLib format ("%Y-%m-%d", "%:z", ...).
    static std::string localTime(Date date, const char* format);
    // Creates the parent folders; false when the file cannot be written.
    static bool writeFile(const std::filesystem::path& path, std::string_view contents);
};

}  // namespace talv
