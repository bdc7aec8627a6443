#include "update/OVVCController.h"

#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "update/UpdateKeys.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace talv::update {

OVVCController::OVVCController(ControllerFactory makeController, std::function<void()> quit)
    : makeController_(std::move(makeController)), quit_(std::move(quit)) {
    UserDefaults::forDomain(kUpdaterDomain).registerDefaults({{kDeleteDownloadAfterDone, true}});
    noUpdateObserver_ = NotificationCenter::defaultCenter().addObserver(
        kNoUpdateNotification, nullptr, [this](const Notification& n) { remove(static_cast<const OVSUController*>(n.object)); });
}

bool OVVCController::start(const fs::path& bundlePath, std::optional<std::string> productID) {
    std::error_code ec;
    fs::path path = fs::weakly_canonical(fs::absolute(bundlePath, ec), ec);
    auto bundle = fs::exists(path, ec) ? ProductBundle::atPath(path) : std::nullopt;
    if (!bundle) {
        logf("The updater cannot update {} as the file does not seem to exist.", path.string());
        return false;
    }
    add(std::move(productID), std::move(*bundle));
    return true;
}

bool OVVCController::openFile(const fs::path& path) {
    auto bundle = ProductBundle::atPath(path);
    if (!bundle) return false;
    for (const auto& controller : updaters_) {
        if (controller->bundle() == *bundle) {
            logf("Already found an update for {}", path.string());
            if (controller->window()) controller->window()->bringToFront();
            if (!DistributedNotificationCenter::postNotificationName(kUpdateCheckCompletedNotification,
                                                                     controller->productID()))
                logf("The product {} was not told that its check is complete", controller->productID());
            return true;
        }
    }
    add(std::nullopt, std::move(*bundle));
    return true;
}

void OVVCController::windowWillClose(const OVSUController& controller) { remove(&controller); }

void OVVCController::add(std::optional<std::string> productID, ProductBundle bundle) {
    if (auto controller = makeController_(std::move(productID), std::move(bundle))) updaters_.push_back(controller);
}

// Removed on the next turn of the loop: the request comes from inside the controller's own
// calls (its downloader's delegate calls, its window's signals), which must not destroy it.
void OVVCController::remove(const OVSUController* controller) {
    RunLoop::performAfterDelay(0, [this, alive = std::weak_ptr<bool>(alive_), controller] {
        if (alive.expired()) return;
        auto it = std::find_if(updaters_.begin(), updaters_.end(), [&](const auto& c) { return c.get() == controller; });
        if (it == updaters_.end()) return;
        updaters_.erase(it);
        if (updaters_.empty() && quit_) quit_();
    });
}

}  // namespace talv::update
