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
    const bool markedUtf8 = startsWith(bytes, "\xEF\xBB\xBF");
    if (markedUtf8) bytes.remove_prefix(3);
    // Text never holds NUL; a file that does is binary (or UTF-16 without a mark).
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return std::string(bytes);
    // A file marked as UTF-8 stays UTF-8: a damaged byte costs only itself (U+FFFD).
    if (markedUtf8) {
        std::unique_ptr<gchar, decltype(&g_free)> valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())),
                                                        &g_free);
        return std::string(valid.get());
    }
    return convert(bytes, "MACINTOSH");
}

}  // namespace talv
