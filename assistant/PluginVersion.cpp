#include "assistant/PluginVersion.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace talv {

std::optional<PluginVersion> parsePluginVersion(std::string_view text) {
    PluginVersion version;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < version.parts.size(); ++i) {
        auto [next, ec] = std::from_chars(p, end, version.parts[i]);
        if (ec != std::errc()) {
            if (i == 0) return std::nullopt;
            break;
        }
        p = next;
        if (p == end || *p != '.') break;
        ++p;
    }
    return version;
}

std::optional<PluginVersion> readPluginVersion(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    constexpr std::string_view mark = TAL_ASSISTANT_VERSION_MARK;
    for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
        std::string_view rest(bytes.data() + at + mark.size(), bytes.size() - at - mark.size());
        if (auto version = parsePluginVersion(rest.substr(0, rest.find('\0')))) return version;
    }
    return std::nullopt;
}

}  // namespace talv
