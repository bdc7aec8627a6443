#include "display/TranscriptContentPolicy.h"

#include "display/ApplicationResources.h"
#include "platform/StringFormat.h"
#include "store/OrvaneExtras.h"

#include <glib.h>

#include <memory>

namespace talv {
namespace {

std::string base64SHA256(std::string_view text) {
    std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(g_checksum_new(G_CHECKSUM_SHA256), g_checksum_free);
    g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(text.data()), static_cast<gssize>(text.size()));
    guint8 digest[32];
    gsize length = sizeof digest;
    g_checksum_get_digest(sum.get(), digest, &length);
    std::unique_ptr<gchar, decltype(&g_free)> encoded(g_base64_encode(digest, length), g_free);
    return encoded.get();
}

}  // namespace

std::string transcriptContentSecurityPolicy() {
    // The scripts as they stand in every page: the skeleton filled with empty values.
    const std::string skeleton = formatString(
        stringWithContentsOfUTF8File(applicationResourcesDirectory() / "Template.html").value_or(""), {"", "", "", "", ""});
    std::string scripts;
    for (std::size_t at = skeleton.find("<script"); at != std::string::npos; at = skeleton.find("<script", at)) {
        const std::size_t start = skeleton.find('>', at);
        const std::size_t end = start == std::string::npos ? start : skeleton.find("</script>", start);
        if (end == std::string::npos) break;
        scripts += " 'sha256-" + base64SHA256(std::string_view(skeleton).substr(start + 1, end - start - 1)) + "'";
        at = end;
    }
    return "default-src file: data: blob:; style-src file: data: blob: 'unsafe-inline'; script-src" +
           (scripts.empty() ? std::string(" 'none'") : scripts) + "; object-src 'none'; form-action 'none'";
}

}  // namespace talv
