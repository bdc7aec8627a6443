#pragma once
// The update window as the updater's controller drives it: the GTK window of orvane-updater,
// or a stand-in in tests. Its buttons call the controller's runInstaller(), cancelWhatever()
// and moreInfo(); closing it calls OVVCController::windowWillClose().
#include <filesystem>
#include <optional>
#include <string>

namespace talv::update {

struct UpdateWindowContents {
    std::string windowTitle;
    std::string titleText;
    std::string infoText;
    std::optional<std::string> releaseNotesHTML;  // none: no notes shown
    // The updater downloads the file (disk image or archive): the download location and the
    // delete check box are shown. Otherwise the main button reads "Download" and opens the
    // download address in the browser, and the release notes take their space.
    bool downloadsFile = false;
    std::string downloadLocationText;
    std::string deleteBoxTitle;
    bool deleteAfterDone = true;
    std::filesystem::path productIcon;  // empty when the product has none
};

class UpdateWindowView {
public:
    virtual ~UpdateWindowView() = default;
    // Shows the window centred, the main button focused, and asks for the user's attention.
    virtual void show(const UpdateWindowContents& contents) = 0;
    virtual void bringToFront() = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // A fraction from 0.0 to 1.0, or none for an indeterminate, animated bar.
    virtual void setProgress(std::optional<double> fraction) = 0;
    // Downloading: More Info and Cancel hidden, the main button cancels.
    virtual void showDownloading() = 0;
    // Over: the main button reads "Close" and answers Return.
    virtual void showFinished() = 0;
    virtual bool deleteAfterDone() const = 0;
    virtual void close() = 0;
};

}  // namespace talv::update
