#include "platform/Strings.h"

#include <libintl.h>

namespace talv {

void bindStringTable(const std::filesystem::path& localeFolder) {
    bindtextdomain(kTextDomain, localeFolder.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

std::string tr(std::string_view english) {
    // gettext answers the catalogue's header for the empty id.
    if (english.empty()) return {};
    std::string key(english);
    return dgettext(kTextDomain, key.c_str());
}

}  // namespace talv
