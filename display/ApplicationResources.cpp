#include "display/ApplicationResources.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {

fs::path applicationResourcesDirectory() {
    if (const char* overridden = std::getenv("TALV_SHARE_DIR"); overridden && *overridden) return overridden;
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    for (fs::path dir = executable.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        fs::path candidate = dir / "share" / "talvessa";
        if (fs::is_directory(candidate, ec)) return candidate;
        if (dir == dir.root_path()) break;
    }
    // Where an installation keeps it (<prefix>/bin/<program>): missing resources are reported
    // there rather than taken from another installation.
    return executable.parent_path().parent_path() / "share" / "talvessa";
}

fs::path applicationLocaleDirectory() { return applicationResourcesDirectory().parent_path() / "locale"; }

}  // namespace talv
