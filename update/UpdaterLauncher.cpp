#include "update/UpdaterLauncher.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

constexpr const char* kUpdaterName = "orvane-updater";

// Launched without the caller's startup or activation token, so that the updater does not take
// the focus; its update window asks for the user's attention itself.
bool launchInBackground(const fs::path& updater, const fs::path& bundle, const std::string& domain) {
    std::vector<std::string> args{updater.string(), "--bundle", bundle.string(), "--prodID", domain};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    gchar** env = g_get_environ();
    env = g_environ_unsetenv(env, "DESKTOP_STARTUP_ID");
    env = g_environ_unsetenv(env, "XDG_ACTIVATION_TOKEN");
    GError* error = nullptr;
    // Without G_SPAWN_DO_NOT_REAP_CHILD the child is started through an intermediate process,
    // so it leaves no zombie behind and outlives nothing of ours.
    bool started = g_spawn_async(nullptr, argv.data(), env, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error);
    g_strfreev(env);
    if (!started) {
        logf("Cannot start the updater {}: {}", updater.string(), error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    return started;
}

}  // namespace

std::optional<fs::path> findUpdaterExecutable() {
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    fs::path dir = executable.parent_path();
    if (fs::is_regular_file(dir / kUpdaterName, ec)) return dir / kUpdaterName;
    for (; !dir.empty(); dir = dir.parent_path()) {
        if (fs::is_regular_file(dir / "updater" / kUpdaterName, ec)) return dir / "updater" / kUpdaterName;
        if (dir == dir.root_path()) break;
    }
    return std::nullopt;
}

int startUpdater(const ProductBundle& bundle, const std::string& domain, const std::optional<fs::path>& updater,
                 fs::path* launched) {
    const fs::path folder = Paths::temporary();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return ec.value();
    const fs::path lock = folder / (domain + ".updater.lock");
    int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);

    if (!updater) {
        logf("The updater program {} was not found", kUpdaterName);
    } else if (launchInBackground(*updater, bundle.path(), domain)) {
        if (launched) *launched = *updater;
        if (!UserDefaults::forDomain(domain).synchronize())
            logf("The preferences of {} could not be written before the updater started", domain);
    }
    return ::unlink(lock.c_str()) == 0 ? 0 : errno;
}

}  // namespace talv::update
