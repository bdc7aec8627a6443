#include "display/ApplicationResources.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {

fs::path applicationResourcesDirectory() {
    if (const char* overridden = std::getenv("TALV_SHARE_DIR"); overridden && *overridden) return overridden;
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (fs::path dir = executable.parent_path(); !dir.empty(); dir = dir.parent_path()) {
            fs::path candidate = dir / "share" / "talvessa";
            if (fs::is_directory(candidate, ec)) return candidate;
            if (dir == dir.root_path()) break;
        }
    }
    return "/usr/share/talvessa";
}

}  // namespace talv
