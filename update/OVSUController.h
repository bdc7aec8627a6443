#pragma once
// One product's update run in the updater: asks the server, reports the status to the product
// (its preferences and session-bus notifications), shows the update window when a newer
// version exists, downloads the update, verifies it and hands it to the desktop. Main thread.
#include "platform/ObserverToken.h"
#include "platform/ThreadMessage.h"
#include "platform/ThreadWorker.h"
#include "platform/Value.h"
#include "update/Desktop.h"
#include "update/DiskImageMounter.h"
#include "update/OVHTTPFileDownloader.h"
#include "update/ProductBundle.h"
#include "update/UpdateWindowView.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talv::update {

class OVSUController final : public OVHTTPFileDownloaderDelegate, public std::enable_shared_from_this<OVSUController> {
public:
    // The refcon of the update file's download (the reply's download has none, 0).
    static constexpr std::uint32_t kDownloadUpdatedTweak = 0x44555477;  // 'DUTw'

    struct Services {
        // Makes the update window; null when it cannot be made.
        std::function<std::unique_ptr<UpdateWindowView>(OVSUController&)> makeWindow;
        std::shared_ptr<Desktop> desktop = Desktop::system();
        std::string serverURL;                 // the update server's address
        bool alwaysNeedsUpdates = false;       // every reply offers an update
        double timeoutSeconds = 10.0;          // of each download
        std::string releaseNotesTemplate;      // the page holding "O_RLY?" and "SYSTEM_FONT"
        std::string systemFontFamily = "sans-serif";
    };

    // Made for a product (productID none: the bundle's update domain); starts the check.
    static std::shared_ptr<OVSUController> create(std::optional<std::string> productID, ProductBundle bundle,
                                                  Services services);
    // Keeps the delete box's state, unmounts a volume still mounted and deletes a download not kept.
    ~OVSUController() override;

    void runUpdate();
    // The product asked to cancel ("orvane.updater.CancelUpdate").
    void cancelUpdater();
    // The update window's buttons.
    void runInstaller();
    void cancelWhatever();
    void moreInfo();

    const std::string& productID() const { return productID_; }
    const ProductBundle& bundle() const { return bundle_; }
    bool isUpdating() const { return isUpdating_; }
    const std::string& lastUpdateStatus() const { return lastUpdateStatus_; }
    UpdateWindowView* window() const { return updateWindow_.get(); }
    // The downloaded update file, while the controller keeps it.
    const std::optional<std::filesystem::path>& downloadedFile() const { return downloadedFile_; }

    void downloadStarted(OVHTTPFileDownloader&, std::uint32_t refcon) override;
    void downloadProgress(OVHTTPFileDownloader&, std::uint32_t refcon, double percent) override;
    void downloadFinished(OVHTTPFileDownloader&, std::uint32_t refcon, const std::filesystem::path& path) override;
    void downloadError(OVHTTPFileDownloader&, std::uint32_t refcon, const DownloadError& error) override;

private:
    OVSUController(std::string productID, ProductBundle bundle, Services services);
    void replyReceived(const std::filesystem::path& file);
    void showUpdateWindowForDownloadDictionary(const Value& reply);
    void updateDownloaded(const std::filesystem::path& file);
    void keepInDownloadsFolder();
    void mountDiskImage();
    void diskImageMounted(const std::optional<MountedVolume>& volume);
    void doneDownloading();
    void failUpdateDownload(const std::string& reason);
    void setLastUpdateStatus(const std::string& status);
    void setLastUpdate(Date date);
    void postCompleted() const;
    void postNoUpdate() const;
    std::string downloadURL() const;

    ThreadMessage messages_;  // the mounting thread's stages
    Services services_;
    bool isUpdating_ = false;
    double updatePercent_ = 0;
    std::optional<Date> lastUpdate_;
    std::string lastUpdateStatus_;
    std::string productID_;
    ProductBundle bundle_;
    Value downloadedDict_;
    std::unique_ptr<UpdateWindowView> updateWindow_;
    std::unique_ptr<OVHTTPFileDownloader> dl_;
    std::optional<MountedVolume> mountedVolume_;
    std::optional<std::filesystem::path> downloadedFile_;
    std::optional<std::filesystem::path> downloadFolder_;
    std::string infoURL_;
    bool isDiskImage_ = false;
    bool downloadsFile_ = false;
    bool downloadStarted_ = false;
    bool deleteAfterDone_ = true;
    bool logStuff_ = false;
    ObserverToken cancelObserver_;
    std::unique_ptr<ThreadWorker> mounter_;
};

}  // namespace talv::update
