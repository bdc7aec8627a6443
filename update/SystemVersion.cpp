#include "update/SystemVersion.h"

#include <glib.h>
#include <sys/utsname.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace talv::update {
namespace {

std::optional<std::string> osInfo(const char* key) {
    std::unique_ptr<gchar, decltype(&g_free)> value(g_get_os_info(key), g_free);
    if (!value || !*value) return std::nullopt;
    return std::string(value.get());
}

std::optional<std::string> kernelRelease() {
    utsname names{};
    if (uname(&names) != 0 || !*names.release) return std::nullopt;
    return std::string(names.release);
}

std::optional<std::string> firstLineOf(const char* path) {
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path, &contents, &length, nullptr)) return std::nullopt;
    std::string text(contents, length);
    g_free(contents);
    text = text.substr(0, text.find_first_of(std::string_view("\n\0", 2)));
    while (!text.empty() && g_ascii_isspace(text.back())) text.pop_back();
    if (text.empty()) return std::nullopt;
    return text;
}

bool startsWithDigit(const std::string& s) { return !s.empty() && g_ascii_isdigit(s.front()); }

std::uint32_t bcd(unsigned n) {
    n = std::min(n, 99u);
    return (n / 10) << 4 | (n % 10);
}

}  // namespace

std::uint32_t packSystemVersion(std::string_view text) {
    unsigned parts[3] = {0, 0, 0};
    size_t i = 0;
    if (text.empty() || !g_ascii_isdigit(text.front())) return 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (i + 1 >= text.size() || text[i] != '.' || !g_ascii_isdigit(text[i + 1])) break;
            ++i;
        }
        unsigned n = 0;
        while (i < text.size() && g_ascii_isdigit(text[i])) n = std::min(n * 10 + (text[i++] - '0'), 1000u);
        parts[part] = n;
    }
    return bcd(parts[0]) << 16 | bcd(parts[1]) << 8 | bcd(parts[2]);
}

std::uint32_t currentPackedSystemVersion() {
    static const std::uint32_t packed = [] {
        auto version = osInfo(G_OS_INFO_KEY_VERSION_ID);
        if (!version || !startsWithDigit(*version)) version = kernelRelease();
        return version ? packSystemVersion(*version) : 0u;
    }();
    return packed;
}

std::string systemVersionDescription() {
    auto id = osInfo(G_OS_INFO_KEY_ID);
    auto version = osInfo(G_OS_INFO_KEY_VERSION_ID);
    auto kernel = kernelRelease();
    if (!id && !version && !kernel) return "UNKNOWN";
    std::string product = id.value_or("linux");
    if (version) product += "-" + *version;
    return product + "_" + kernel.value_or("UNKNOWN");
}

std::string hardwareModelName() {
    auto model = firstLineOf("/sys/devices/virtual/dmi/id/product_name");
    if (!model) model = firstLineOf("/sys/firmware/devicetree/base/model");
    if (!model) return "UNKNOWN";
    return model->substr(0, 254);
}

}  // namespace talv::update
