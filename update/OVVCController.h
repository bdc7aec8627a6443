#pragma once
// The updater program's controller: one OVSUController per product in progress; the program
// quits when none is left. Main thread.
#include "platform/ObserverToken.h"
#include "update/OVSUController.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talv::update {

class OVVCController {
public:
    using ControllerFactory =
        std::function<std::shared_ptr<OVSUController>(std::optional<std::string> productID, ProductBundle bundle)>;

    // quit is called once no product is left.
    OVVCController(ControllerFactory makeController, std::function<void()> quit);

    // The command line: "--bundle PATH" and optionally "--prodID ID". False (logged) when the
    // bundle does not exist.
    bool start(const std::filesystem::path& bundlePath, std::optional<std::string> productID);
    // A product to update, opened as a document; a product in progress brings its window to
    // the front and tells the product that this check is complete. False when it is no bundle.
    bool openFile(const std::filesystem::path& path);
    // The product's update window closed: its run is over.
    void windowWillClose(const OVSUController& controller);

    const std::vector<std::shared_ptr<OVSUController>>& updaters() const { return updaters_; }

private:
    void add(std::optional<std::string> productID, ProductBundle bundle);
    void remove(const OVSUController* controller);

    ControllerFactory makeController_;
    std::function<void()> quit_;
    std::vector<std::shared_ptr<OVSUController>> updaters_;
    ObserverToken noUpdateObserver_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talv::update
