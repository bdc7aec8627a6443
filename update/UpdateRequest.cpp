#include "update/UpdateRequest.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "store/OrvaneExtras.h"
#include "update/SystemVersion.h"
#include "update/UpdateKeys.h"

#include <fmt/format.h>
#include <gio/gio.h>
#include <sys/vfs.h>

#include <array>
#include <memory>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

std::string escapedSegment(const std::string& text) {
    std::unique_ptr<char, decltype(&g_free)> escaped(g_uri_escape_string(text.c_str(), nullptr, false), g_free);
    return escaped.get();
}

// File systems that compare names without regard to case, by their type name.
bool isCaseInsensitive(const std::string& type) {
    constexpr std::array kTypes = {"vfat", "msdos", "exfat", "ntfs", "ntfs3", "cifs", "smb3", "smbfs", "iso9660", "hfs", "hfsplus"};
    for (const char* t : kTypes)
        if (type == t) return true;
    return false;
}

}  // namespace

std::string updateServerURL() {
    std::string url = UserDefaults::forDomain(kUpdaterDomain).stringForKey(kUpdateServerURL, kDefaultUpdateServerURL);
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

std::string installationUUID() {
    UserDefaults& defaults = UserDefaults::forDomain(kSoftwareUpdateDomain);
    std::string uuid = defaults.stringForKey(kInstallationUUID);
    if (!uuid.empty()) return uuid;
    auto fresh = UUIDString();
    if (!fresh || !defaults.setObject(kInstallationUUID, *fresh)) return "UNKNOWN";
    return *fresh;
}

std::string requestVersion(const ProductBundle& bundle) {
    std::string version = bundle.version();
    if (auto build = bundle.infoValue("OrvaneBuildNumber"); build && !build->isNull())
        version += "_" + (build->asText() ? *build->asText() : std::to_string(build->integerOr(0)));
    return version;
}

std::string fileSystemDescription(const fs::path& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) return "UNKNOWN_TYPE-1";
    std::string type = "UNKNOWN_TYPE";
    GFile* file = g_file_new_for_path(folder.c_str());
    if (GFileInfo* fsInfo = g_file_query_filesystem_info(file, G_FILE_ATTRIBUTE_FILESYSTEM_TYPE, nullptr, nullptr)) {
        if (const char* name = g_file_info_get_attribute_string(fsInfo, G_FILE_ATTRIBUTE_FILESYSTEM_TYPE)) type = name;
        g_object_unref(fsInfo);
    }
    g_object_unref(file);
    return fmt::format("{}-{}{}", type, static_cast<long long>(info.f_type), isCaseInsensitive(type) ? "" : ",Xx");
}

UpdateRequestFields currentRequestFields(const ProductBundle& bundle, const std::string& productID) {
    return {installationUUID(),         productID,           requestVersion(bundle),
            systemVersionDescription(), hardwareModelName(), fileSystemDescription("/"),
            fileSystemDescription(Paths::home())};
}

std::string updateRequestURL(const std::string& serverURL, const UpdateRequestFields& f) {
    std::string url = serverURL + "/goto/update/2/";
    for (const std::string* field : {&f.installationID, &f.productID, &f.version, &f.systemVersion, &f.hardwareModel,
                                     &f.systemFileSystem, &f.userFileSystem})
        url += escapedSegment(*field) + "/";
    return url;
}

}  // namespace talv::update
