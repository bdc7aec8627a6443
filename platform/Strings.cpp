#include "platform/Strings.h"

#include <libintl.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace talv {
namespace {

void reportUntranslated(const std::string& english) {
    static const bool wanted = std::getenv("TALV_REPORT_UNTRANSLATED") != nullptr;
    if (!wanted) return;
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(english).second) std::fprintf(stderr, "Untranslated: %s\n", english.c_str());
}

}  // namespace

void bindStringTable(const std::filesystem::path& localeFolder) {
    bindtextdomain(kTextDomain, localeFolder.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

std::string tr(std::string_view english) {
    // gettext answers the catalogue's header for the empty id.
    if (english.empty()) return {};
    std::string key(english);
    const char* translated = dgettext(kTextDomain, key.c_str());
    // gettext hands back the key itself when no catalogue has the text.
    if (translated == key.c_str()) reportUntranslated(key);
    return translated;
}

}  // namespace talv
