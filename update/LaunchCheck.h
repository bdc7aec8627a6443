#pragma once
// The check the application makes while it finishes launching: when automatic checks are on
// and a check is due (the interval has passed since "SULastCheckDate", there was none, or the
// system changed since the last one), it records the check and starts the updater.
//
// The application's TalvController calls runLaunchTimeUpdateCheck(bundle) once per start on
// the main thread, with the application's own bundle (ProductBundle::atPath of
// applicationResourcesDirectory()).
#include "platform/Date.h"
#include "update/ProductBundle.h"

#include <cstdint>
#include <functional>
#include <string>

namespace talv::update {

struct LaunchCheckEnvironment {
    Date now = Date::now();
    std::uint32_t packedSystemVersion;
    // Starts the updater; answers 0 or an errno (startUpdater by default).
    std::function<int(const ProductBundle& bundle, const std::string& domain)> startUpdater;

    LaunchCheckEnvironment();
};

// Returns the start's result, or 0 when no check was due (or the bundle names no update domain
// or product). A failed start is logged.
int runLaunchTimeUpdateCheck(const ProductBundle& bundle, const LaunchCheckEnvironment& environment = {});

}  // namespace talv::update
