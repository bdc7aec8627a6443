#include "display/TimeFormat.h"

#include <langinfo.h>

#include <array>
#include <mutex>
#include <optional>

namespace talv {
namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Start of the UTF-8 character that ends just before byte `end`.
std::size_t previousCharacterStart(std::string_view text, std::size_t end) {
    std::size_t at = end - 1;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

struct FormatCache {
    std::mutex mutex;
    std::string builtFrom;                           // guarded by mutex
    std::array<std::optional<std::string>, 4> slots;  // guarded by mutex
};

FormatCache& sharedCache() {
    static FormatCache cache;
    return cache;
}

}  // namespace

std::string userTimeFormat() {
    std::string format = nl_langinfo(T_FMT);
    // Locales such as en_US name their format "%r"; spell the composites out so that the
    // reduction can see the seconds and the AM/PM marker.
    replaceAll(format, "%X", "%H:%M:%S");
    replaceAll(format, "%r", nl_langinfo(T_FMT_AMPM));
    replaceAll(format, "%T", "%H:%M:%S");
    replaceAll(format, "%R", "%H:%M");
    if (format.empty()) format = "%H:%M:%S";
    return format;
}

std::string deriveTimeFormat(std::string_view userFormat, bool showSeconds, bool showAMorPM) {
    std::string format(userFormat);
    if (!showAMorPM) replaceAll(format, " %p", "");
    if (!showSeconds) {
        std::size_t last = format.rfind("%S");
        if (last != std::string::npos && last > 0) {
            std::size_t before = previousCharacterStart(format, last);
            std::string separatorAndSeconds = format.substr(before, last - before) + "%S";
            replaceAll(format, separatorAndSeconds, "");
        }
    }
    return format;
}

std::string localizedDateFormatStringShowingSeconds(bool showSeconds, bool showAMorPM, const std::string& userFormat) {
    FormatCache& cache = sharedCache();
    std::lock_guard lock(cache.mutex);
    if (cache.builtFrom != userFormat) {
        cache.slots = {};
        cache.builtFrom = userFormat;
    }
    std::optional<std::string>& slot = cache.slots[(showSeconds ? 1 : 0) + 2 * (showAMorPM ? 1 : 0)];
    if (!slot) slot = deriveTimeFormat(userFormat, showSeconds, showAMorPM);
    return *slot;
}

std::string localizedDateFormatStringShowingSeconds(bool showSeconds, bool showAMorPM) {
    return localizedDateFormatStringShowingSeconds(showSeconds, showAMorPM, userTimeFormat());
}

}  // namespace talv
