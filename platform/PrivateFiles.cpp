#include "platform/PrivateFiles.h"

#include "platform/Log.h"
#include "platform/Paths.h"

#include <glib/gstdio.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool isPrivateFolder(const fs::path& folder) {
    struct stat st {};
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

std::optional<fs::path> makeFreshFolder(const fs::path& pattern) {
    std::string name = pattern.string();
    if (!g_mkdtemp_full(name.data(), 0700)) return std::nullopt;
    return fs::path(name);
}

}  // namespace

std::optional<fs::path> privateTemporaryFolder() {
    // Folders made because the usual one was taken, per temporary folder (TMPDIR may change).
    static std::mutex mutex;
    static std::map<fs::path, fs::path> replacements;

    const fs::path temporary = Paths::temporary();
    const std::string name = "talvessa-" + std::to_string(getuid());
    const fs::path usual = temporary / name;
    std::error_code ec;
    fs::create_directories(temporary, ec);
    (void)g_mkdir(usual.c_str(), 0700);  // fails when it exists: then it is checked like a new one
    if (isPrivateFolder(usual)) return usual;
    std::lock_guard lock(mutex);
    if (auto kept = replacements.find(temporary); kept != replacements.end() && isPrivateFolder(kept->second))
        return kept->second;
    auto fresh = makeFreshFolder(temporary / (name + "-XXXXXX"));
    if (!fresh) {
        logf("Cannot make a private folder in {}", temporary.string());
        return std::nullopt;
    }
    logf("{} is not a private folder of this user; using {}", usual.string(), fresh->string());
    replacements[temporary] = *fresh;
    return fresh;
}

std::optional<fs::path> freshPrivateFolder(std::string_view prefix) {
    auto folder = privateTemporaryFolder();
    if (!folder) return std::nullopt;
    return makeFreshFolder(*folder / (std::string(prefix) + "XXXXXX"));
}

bool isOwnRegularFile(const fs::path& file) {
    struct stat st {};
    return lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid();
}

bool writePrivateFile(const fs::path& file, const void* bytes, std::size_t length) {
    return g_file_set_contents_full(file.c_str(), static_cast<const gchar*>(bytes), static_cast<gssize>(length),
                                    G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
}

}  // namespace talv
