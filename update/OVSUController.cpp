#include "update/OVSUController.h"

#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "update/NumericVersion.h"
#include "update/SystemVersion.h"
#include "update/UpdateKeys.h"
#include "update/UpdateReply.h"
#include "update/UpdateRequest.h"

#include <glib.h>

#include <cstring>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

void post(const std::string& name, const std::string& object, const Value& userInfo = {}) {
    if (!DistributedNotificationCenter::postNotificationName(name, object, userInfo))
        logf("The product {} was not told of {}", object, name);
}

std::string textOf(const Value& dict, std::string_view key) {
    const Value* v = dict.find(key);
    return v ? v->textOr("") : std::string();
}

// The home folder written as "~".
std::string abbreviatedPath(const fs::path& path) {
    const std::string home = Paths::home().string();
    const std::string p = path.string();
    if (p == home) return "~";
    if (p.rfind(home + "/", 0) == 0) return "~" + p.substr(home.size());
    return p;
}

// Moves a file, copying it across file systems; an item of the same name is replaced.
std::error_code moveReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec == std::errc::cross_device_link) {
        ec.clear();
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
        if (ec) fs::remove(to);
        else fs::remove(from, ec);
    }
    return ec;
}

}  // namespace

// Mounting runs on a worker thread; its stages and result reach the controller on the main
// thread, and are dropped when the controller has gone.
struct MountJob {
    std::weak_ptr<OVSUController> owner;
    MessagePort port;
    std::shared_ptr<bool> done = std::make_shared<bool>(false);

    std::optional<MountedVolume> run(const fs::path& image) {
        return update::mountDiskImage(image, [this](const std::string& stage) {
            port.send([owner = owner, done = done, stage] {
                auto controller = owner.lock();
                if (controller && !*done && controller->window())
                    controller->window()->setStatusText(formatString(tr("Mounting Disk: %@"), {tr(stage)}));
            });
        });
    }
};

std::shared_ptr<OVSUController> OVSUController::create(std::optional<std::string> productID, ProductBundle bundle,
                                                       Services services) {
    std::string id = productID.value_or(bundle.updateDomain());
    std::shared_ptr<OVSUController> controller(new OVSUController(std::move(id), std::move(bundle), std::move(services)));
    std::weak_ptr<OVSUController> weak = controller;
    controller->cancelObserver_ = DistributedNotificationCenter::addObserver(
        kCancelUpdateNotification, controller->productID_, [weak](const std::string&, const std::string&, const Value&) {
            if (auto c = weak.lock()) c->cancelUpdater();
        });
    controller->runUpdate();
    return controller;
}

OVSUController::OVSUController(std::string productID, ProductBundle bundle, Services services)
    : services_(std::move(services)),
      productID_(std::move(productID)),
      bundle_(std::move(bundle)),
      dl_(std::make_unique<OVHTTPFileDownloader>()),
      logStuff_(UserDefaults::forDomain(kUpdaterDomain).boolForKey(kLogStuff)) {
    dl_->setTimeout(services_.timeoutSeconds);
}

OVSUController::~OVSUController() {
    if (updateWindow_) {
        deleteAfterDone_ = updateWindow_->deleteAfterDone();
        UserDefaults& defaults = UserDefaults::forDomain(kUpdaterDomain);
        if (!defaults.setObject(kDeleteDownloadAfterDone, deleteAfterDone_) || !defaults.synchronize())
            logf("Cannot keep {} in {}", kDeleteDownloadAfterDone, kUpdaterDomain);
    }
    dl_.reset();
    mounter_.reset();
    if (mountedVolume_) unmountDiskImage(*mountedVolume_);
    std::error_code ec;
    if (downloadedFile_ && deleteAfterDone_ && !fs::remove(*downloadedFile_, ec) && ec)
        logf("Error {} occurred while deleting {}. {}", ec.value(), downloadedFile_->string(), ec.message());
}

void OVSUController::runUpdate() {
    if (isUpdating_) return;
    logf("Checking if an update to {} is available.", bundle_.path().string());
    setLastUpdateStatus(tr("Checking..."));
    updatePercent_ = 0;
    isUpdating_ = true;
    infoURL_ = updateRequestURL(services_.serverURL, currentRequestFields(bundle_, productID_));
    dl_->downloadURL(infoURL_, productID_ + ".plist", weak_from_this(), 0);
}

void OVSUController::cancelUpdater() {
    if (!dl_->abortDownloadURL(infoURL_) && downloadStarted_) return;
    isUpdating_ = false;
    setLastUpdateStatus(tr("Update was cancelled by user."));
    postCompleted();
    postNoUpdate();
}

void OVSUController::downloadStarted(OVHTTPFileDownloader&, std::uint32_t refcon) {
    if (refcon == kDownloadUpdatedTweak) {
        if (updateWindow_) updateWindow_->setProgress(0.0);
    } else {
        downloadStarted_ = true;
    }
}

void OVSUController::downloadProgress(OVHTTPFileDownloader&, std::uint32_t refcon, double percent) {
    if (refcon != kDownloadUpdatedTweak || !updateWindow_) return;
    updatePercent_ = percent;
    if (percent < 0) return;
    updateWindow_->setProgress(percent);
    const Value* size = downloadedDict_.find("FileSize");
    const std::int64_t bytes = size ? integerValue(*size).value_or(0) : 0;
    if (bytes > 0)
        updateWindow_->setStatusText(formatString(tr("Downloaded %liK of %liK"),
                                                  {static_cast<std::int64_t>(percent * bytes / 1024), bytes / 1024}));
}

void OVSUController::downloadFinished(OVHTTPFileDownloader&, std::uint32_t refcon, const fs::path& path) {
    if (refcon == kDownloadUpdatedTweak) updateDownloaded(path);
    else replyReceived(path);
}

void OVSUController::downloadError(OVHTTPFileDownloader&, std::uint32_t refcon, const DownloadError& error) {
    logf("Download failed with an error. {}", error.description);
    if (refcon == kDownloadUpdatedTweak) {
        failUpdateDownload(error.description);
        return;
    }
    isUpdating_ = false;
    setLastUpdateStatus(formatString(tr("Failed. %@"), {error.description}));
    postCompleted();
    postNoUpdate();
}

void OVSUController::replyReceived(const fs::path& file) {
    isUpdating_ = false;
    std::optional<Value> reply = readUpdateReply(file);
    std::error_code ec;
    fs::remove(file, ec);
    if (!reply) {
        setLastUpdateStatus(tr("Failed. Error occurred while checking."));
        postCompleted();
        postNoUpdate();
    } else if (const Value* error = reply->find("Error")) {
        logf("An error occurred while downloading the updater information. {}", error->textOr(""));
        setLastUpdateStatus(formatString(tr("Failed. %@"), {error->textOr("")}));
        postCompleted();
        postNoUpdate();
        return;
    } else if (services_.alwaysNeedsUpdates || updateAvailable(*reply, bundle_)) {
        setLastUpdateStatus(tr("Software Update ran successfully."));
        showUpdateWindowForDownloadDictionary(*reply);
    } else {
        setLastUpdateStatus(tr("No new software updates were available."));
        if (logStuff_) logf("No updates were found for {} {} at this time.", bundle_.displayName(), bundle_.version());
        postCompleted();
        postNoUpdate();
    }
    setLastUpdate(Date::now());
    postCompleted();
}

void OVSUController::showUpdateWindowForDownloadDictionary(const Value& reply) {
    const std::string latest = textOf(reply, "LatestVersion");
    if (latest.empty()) {
        // Nothing to show: the run is over, so that the updater does not stay behind.
        postNoUpdate();
        return;
    }
    downloadedDict_ = reply;
    updateWindow_ = services_.makeWindow ? services_.makeWindow(*this) : nullptr;
    if (!updateWindow_) {
        setLastUpdateStatus(tr("Failed. Could not load \"UpdaterWindow.nib\""));
        postCompleted();
        postNoUpdate();
        return;
    }
    const std::string name = bundle_.displayName();
    const std::string current = bundle_.version();
    const std::string fileName = suggestedFileName(downloadURL(), "");
    isDiskImage_ = isDiskImageName(fileName);
    downloadsFile_ = isDiskImage_ || isArchiveName(fileName);

    UpdateWindowContents contents;
    contents.windowTitle = formatString(tr("%@ Software Update"), {name});
    contents.titleText = formatString(tr("A new version of %@ is available!"), {name});
    contents.infoText = formatString(
        tr("%2$@ %1$@ is now available; you have %3$@. Would you like to get it now? Quit %4$@ before installing "
           "the update, then start %5$@ again."),
        {latest, name, current, name, name});
    contents.downloadsFile = downloadsFile_;
    if (downloadsFile_) {
        contents.deleteAfterDone = UserDefaults::forDomain(kUpdaterDomain).boolForKey(kDeleteDownloadAfterDone, true);
        downloadFolder_ = OVHTTPFileDownloader::getUsersDownloadsFolder();
        contents.downloadLocationText =
            formatString(tr("The update is saved in %@."), {downloadFolder_ ? abbreviatedPath(*downloadFolder_) : "?"});
        contents.deleteBoxTitle = formatString(tr("Delete \u201c%@\u201d when done"), {fileName});
    }
    if (std::string icon = bundle_.infoString("CFBundleIconFile"); !icon.empty() && fs::exists(bundle_.path() / icon))
        contents.productIcon = bundle_.path() / icon;
    const Value* versions = reply.find("Versions");
    contents.releaseNotesHTML = releaseNotesHTML(services_.releaseNotesTemplate, versions ? *versions : Value(),
                                                 current, services_.systemFontFamily, logStuff_);
    updateWindow_->show(contents);
}

void OVSUController::runInstaller() {
    if (!updateWindow_) return;
    if (!downloadsFile_) {
        services_.desktop->openURL(downloadURL());
        updateWindow_->close();
        return;
    }
    updateWindow_->showDownloading();
    updateWindow_->setProgress(std::nullopt);
    updateWindow_->setStatusText(tr("Downloading Update"));
    isUpdating_ = true;
    const Value* size = downloadedDict_.find("FileSize");
    dl_->downloadURL(downloadURL(), std::nullopt, size ? integerValue(*size).value_or(0) : 0, true, weak_from_this(),
                     kDownloadUpdatedTweak);
}

void OVSUController::cancelWhatever() {
    dl_->abortDownloadURL(downloadURL());
    isUpdating_ = false;
    if (updateWindow_) updateWindow_->close();
}

void OVSUController::moreInfo() { services_.desktop->openURL(textOf(downloadedDict_, "InfoURL")); }

void OVSUController::updateDownloaded(const fs::path& file) {
    downloadedFile_ = file;
    const std::string expected = textOf(downloadedDict_, "SHA256");
    if (!expected.empty()) {
        auto actual = fileSHA256(file);
        if (!actual || g_ascii_strcasecmp(actual->c_str(), expected.c_str()) != 0) {
            std::error_code ec;
            fs::remove(file, ec);
            downloadedFile_.reset();
            logf("The update {} does not match its SHA256 {} (it has {})", downloadURL(), expected, actual.value_or("none"));
            failUpdateDownload(tr("The downloaded file does not match its checksum."));
            return;
        }
    }
    updateWindow_->setProgress(std::nullopt);
    updateWindow_->setStatusText(isDiskImage_ ? tr("Mounting Disk Image") : tr("Opening Update"));
    deleteAfterDone_ = updateWindow_->deleteAfterDone();
    if (!deleteAfterDone_) keepInDownloadsFolder();
    if (isDiskImage_) {
        mountDiskImage();
        return;
    }
    services_.desktop->openFile(*downloadedFile_);
    doneDownloading();
}

void OVSUController::keepInDownloadsFolder() {
    if (!downloadFolder_) return;
    const fs::path target = *downloadFolder_ / suggestedFileName(downloadURL(), "");
    if (std::error_code ec = moveReplacing(*downloadedFile_, target)) {
        logf("Error {} occurred while attempting move {} to the download folder. {}", ec.value(),
             downloadedFile_->string(), ec.message());
        return;
    }
    downloadedFile_ = target;
}

void OVSUController::mountDiskImage() {
    auto job = std::make_shared<MountJob>(MountJob{weak_from_this(), messages_.port()});
    mounter_ = ThreadWorker::workOn(job, &MountJob::run, *downloadedFile_,
                                    [](MountJob& job, const std::optional<MountedVolume>& volume) {
                                        *job.done = true;
                                        if (auto controller = job.owner.lock()) controller->diskImageMounted(volume);
                                    });
}

void OVSUController::diskImageMounted(const std::optional<MountedVolume>& volume) {
    mountedVolume_ = volume;
    if (!volume || !services_.desktop->openFile(volume->mountPoint)) services_.desktop->openFile(*downloadedFile_);
    doneDownloading();
}

void OVSUController::doneDownloading() {
    isUpdating_ = false;
    updateWindow_->setProgress(1.0);
    updateWindow_->showFinished();
    updateWindow_->setStatusText(tr("Download Completed"));
}

void OVSUController::failUpdateDownload(const std::string& reason) {
    isUpdating_ = false;
    setLastUpdateStatus(formatString(tr("Failed. %@"), {reason}));
    postCompleted();
    if (!updateWindow_) return;
    updateWindow_->setProgress(0.0);
    updateWindow_->setStatusText(formatString(tr("Error: %@"), {reason}));
    updateWindow_->showFinished();
}

void OVSUController::setLastUpdateStatus(const std::string& status) {
    lastUpdateStatus_ = status;
    if (status.empty()) return;
    UserDefaults& defaults = UserDefaults::forDomain(productID_);
    if (!defaults.setObject(kLastCheckStatus, status) || !defaults.synchronize())
        logf("Cannot write {} into {}", kLastCheckStatus, productID_);
    post(kStatusChangeNotification, productID_, Value(Value::Dictionary{{"Date", Date::now()}, {"Status", status}}));
}

void OVSUController::setLastUpdate(Date date) {
    lastUpdate_ = date;
    UserDefaults& defaults = UserDefaults::forDomain(productID_);
    if (!defaults.setObject(kLastCheckDate, date) ||
        !defaults.setObject(kLastRunSystemVersion, static_cast<std::int64_t>(currentPackedSystemVersion())) ||
        !defaults.synchronize())
        logf("Cannot record the end of the update check in {}", productID_);
}

void OVSUController::postCompleted() const { post(kUpdateCheckCompletedNotification, productID_); }

void OVSUController::postNoUpdate() const {
    NotificationCenter::defaultCenter().postNotificationName(kNoUpdateNotification, this, downloadedDict_);
}

std::string OVSUController::downloadURL() const { return textOf(downloadedDict_, "DownloadURL"); }

}  // namespace talv::update
