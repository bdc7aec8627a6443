#pragma once
// The plug-in's version, kept inside the plug-in file itself as the text
// "TalAssistantVersion=<major>.<minor>.<patch>", so that an installed copy can be compared
// without loading it (it links GTK 2, which must not enter the application's process).
#include <array>
#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#define TAL_ASSISTANT_VERSION_MARK "TalAssistantVersion="

namespace talv {

struct PluginVersion {
    std::array<std::uint32_t, 3> parts{};
    auto operator<=>(const PluginVersion&) const = default;
};

// "1.2.3" (missing parts are 0); none for text that does not start with a number.
std::optional<PluginVersion> parsePluginVersion(std::string_view text);
// The version marked in the file; none when it cannot be read or carries no mark.
std::optional<PluginVersion> readPluginVersion(const std::filesystem::path& file);

}  // namespace talv
