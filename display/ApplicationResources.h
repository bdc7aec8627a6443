#pragma once
// The application's own resources ("Template.html", "Chat Transcript Templates"): the folder
// "share/talvessa" next to the program, found from the running executable upwards, so that the
// build tree and the install tree work alike. TALV_SHARE_DIR in the environment overrides it.
#include <filesystem>

namespace talv {

std::filesystem::path applicationResourcesDirectory();

// The catalogues of the string table: "share/locale" beside the resources.
std::filesystem::path applicationLocaleDirectory();

}  // namespace talv
