#include "identity/CaseInsensitive.h"

#include <glib.h>

#include <cstring>
#include <memory>

namespace talv {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    std::unique_ptr<gchar, decltype(&g_free)> fa(g_utf8_casefold(a.data(), static_cast<gssize>(a.size())), &g_free);
    std::unique_ptr<gchar, decltype(&g_free)> fb(g_utf8_casefold(b.data(), static_cast<gssize>(b.size())), &g_free);
    return std::strcmp(fa.get(), fb.get()) == 0;
}

}  // namespace talv
