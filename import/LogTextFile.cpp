#include "import/LogTextFile.h"

#include <glib.h>

#include <memory>

namespace talv {
namespace {

std::optional<std::string> convert(std::string_view bytes, const char* from) {
    gsize written = 0;
    std::unique_ptr<gchar, decltype(&g_free)> out(
        g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from, nullptr, &written, nullptr),
        &g_free);
    if (!out) return std::nullopt;
    return std::string(out.get(), written);
}

bool startsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

}  // namespace

std::optional<std::string> LogTextFile::decode(std::string_view bytes) {
    if (startsWith(bytes, "\xFF\xFE")) return convert(bytes.substr(2), "UTF-16LE");
    if (startsWith(bytes, "\xFE\xFF")) return convert(bytes.substr(2), "UTF-16BE");
    if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    // Text never holds NUL; a file that does is binary (or UTF-16 without a mark).
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return std::string(bytes);
    return convert(bytes, "MACINTOSH");
}

std::optional<std::string> LogTextFile::read(const std::filesystem::path& path) {
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return std::nullopt;
    std::unique_ptr<gchar, decltype(&g_free)> owner(contents, &g_free);
    return decode(std::string_view(contents, length));
}

}  // namespace talv
