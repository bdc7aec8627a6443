#include "update/LaunchCheck.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "update/SystemVersion.h"
#include "update/UpdateKeys.h"
#include "update/UpdaterLauncher.h"

#include <cstring>

namespace talv::update {

LaunchCheckEnvironment::LaunchCheckEnvironment()
    : packedSystemVersion(currentPackedSystemVersion()),
      startUpdater([](const ProductBundle& bundle, const std::string& domain) { return update::startUpdater(bundle, domain); }) {}

int runLaunchTimeUpdateCheck(const ProductBundle& bundle, const LaunchCheckEnvironment& env) {
    const std::string domain = bundle.updateDomain();
    if (domain.empty() || bundle.displayName().empty()) return 0;
    UserDefaults& defaults = UserDefaults::forDomain(domain);
    defaults.synchronize();

    if (!defaults.objectForKey(kCheckForUpdates)) {
        if (!defaults.setObject(kCheckForUpdates, true)) logf("Cannot write {} into {}", kCheckForUpdates, domain);
    } else if (!defaults.boolForKey(kCheckForUpdates, true)) {
        return 0;
    }

    const double interval = defaults.doubleForKey(kCheckInterval, kDefaultCheckInterval);
    bool due = false;
    if (interval >= 0) {
        auto last = defaults.objectForKey(kLastCheckDate);
        const Date* lastDate = last ? last->asDate() : nullptr;
        due = !lastDate || env.now.secondsSince1970 - lastDate->secondsSince1970 >= interval;
    }
    if (!due) due = static_cast<std::uint32_t>(defaults.integerForKey(kLastRunSystemVersion, 0)) != env.packedSystemVersion;
    if (!due) return 0;

    bool recorded = defaults.setObject(kLastCheckDate, env.now) &&
                    defaults.setObject(kLastRunSystemVersion, static_cast<std::int64_t>(env.packedSystemVersion));
    if (!recorded) logf("Cannot record the update check in {}", domain);
    int status = env.startUpdater(bundle, domain);
    if (status != 0) logf("The updater could not be started for {}: error {}. {}", domain, status, std::strerror(status));
    return status;
}

}  // namespace talv::update
