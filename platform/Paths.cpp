#include "platform/Paths.h"

#include "platform/UserDefaults.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::mutex gOverrideMutex;
std::optional<fs::path> gTranscriptsHomeOverride;  // guarded by gOverrideMutex

std::optional<std::string> nonEmptyEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return std::nullopt;
    return std::string(v);
}

std::optional<fs::path> passwordHome(const char* user) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    int rc = user ? getpwnam_r(user, &entry, buffer.data(), buffer.size(), &found)
                  : getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc != 0 || !found || !found->pw_dir) return std::nullopt;
    return fs::path(found->pw_dir);
}

// The XDG base-directory rule: an unset, empty or relative variable means the default.
fs::path xdgDir(const char* variable, const char* fallbackUnderHome) {
    if (auto v = nonEmptyEnv(variable); v && fs::path(*v).is_absolute()) return *v;
    return Paths::home() / fallbackUnderHome;
}

}  // namespace

fs::path Paths::home() {
    if (auto v = nonEmptyEnv("HOME")) return *v;
    return passwordHome(nullptr).value_or("/");
}

fs::path Paths::applicationSupport() { return xdgDir("XDG_DATA_HOME", ".local/share") / "Orvane" / "Talvessa"; }

fs::path Paths::caches() { return xdgDir("XDG_CACHE_HOME", ".cache") / "Orvane" / "Talvessa"; }

fs::path Paths::preferences() { return xdgDir("XDG_CONFIG_HOME", ".config") / "Orvane" / "Preferences"; }

fs::path Paths::temporary() {
    std::string dir = nonEmptyEnv("TMPDIR").value_or("/tmp");
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string Paths::expandTilde(std::string_view path) {
    if (path.empty() || path.front() != '~') return std::string(path);
    size_t slash = path.find('/');
    std::string_view user = path.substr(1, slash == std::string_view::npos ? std::string_view::npos : slash - 1);
    std::optional<fs::path> base = user.empty() ? std::optional(home()) : passwordHome(std::string(user).c_str());
    if (!base) return std::string(path);
    std::string expanded = base->string();
    if (slash != std::string_view::npos) {
        while (expanded.size() > 1 && expanded.back() == '/') expanded.pop_back();
        expanded += path.substr(slash);
    }
    return expanded;
}

fs::path Paths::canonical(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    fs::path resolved = fs::weakly_canonical(absolute, ec);
    if (ec) resolved = absolute.lexically_normal();
    if (!resolved.has_filename() && resolved.has_relative_path()) resolved = resolved.parent_path();
    return resolved;
}

fs::path Paths::transcriptsHome() {
    {
        std::lock_guard lock(gOverrideMutex);
        if (gTranscriptsHomeOverride) return canonical(*gTranscriptsHomeOverride);
    }
    std::string configured = UserDefaults::standard().stringForKey("TranscriptsHome");
    if (!configured.empty()) return canonical(expandTilde(configured));
    return canonical(home());
}

void Paths::setTranscriptsHomeOverride(std::optional<fs::path> home) {
    std::lock_guard lock(gOverrideMutex);
    gTranscriptsHomeOverride = std::move(home);
}

}  // namespace talv
