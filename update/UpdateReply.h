#pragma once
// The update server's reply: a property-list dictionary ("LatestVersion", "LatestBuild",
// "InfoURL", "DownloadURL", "FileSize", "SHA256", "Versions", or "Error").
#include "platform/Value.h"
#include "update/ProductBundle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv::update {

// The reply in a file; none when it is not a property-list dictionary.
std::optional<Value> readUpdateReply(const std::filesystem::path& file);

// Whether the reply offers a newer version than the bundle's: by build number when the reply
// has a non-zero "LatestBuild" and the bundle a build number, else by numeric version when
// "LatestVersion" differs from the bundle's version as text.
bool updateAvailable(const Value& reply, const ProductBundle& bundle);

// The release notes page: the template with "SYSTEM_FONT" replaced by fontFamily and "O_RLY?"
// by one entry per version of "Versions" (the first, then each next one while it is newer than
// currentVersion); none when there is no entry. Version and date are HTML-escaped; "WhatsNew"
// is the server's HTML as it stands.
std::optional<std::string> releaseNotesHTML(std::string_view templateHTML, const Value& versions,
                                            const std::string& currentVersion, const std::string& fontFamily,
                                            bool logStuff);

// The SHA-256 of a file in lower-case hexadecimal; none when it cannot be read.
std::optional<std::string> fileSHA256(const std::filesystem::path& file);

}  // namespace talv::update
