#pragma once
// The keys and notification names that the product and the updater share.
namespace talv::update {

// In the product's update domain.
inline constexpr const char* kCheckForUpdates = "SUCheckForUpdates";
inline constexpr const char* kCheckInterval = "SUCheckInterval";
inline constexpr const char* kLastCheckDate = "SULastCheckDate";
inline constexpr const char* kLastRunSystemVersion = "SULastRunSystemVersion";
inline constexpr const char* kLastCheckStatus = "SULastCheckStatus";
inline constexpr double kDefaultCheckInterval = 604800;  // seven days

// The updater's own domain.
inline constexpr const char* kUpdaterDomain = "orvane.updater";
inline constexpr const char* kLogStuff = "LogStuff";
inline constexpr const char* kDeleteDownloadAfterDone = "DeleteDownloadAfterDone";
inline constexpr const char* kAlwaysNeedsUpdates = "AlwaysNeedsUpdates";
// The update server's address (scheme and host, optionally a path prefix).
inline constexpr const char* kUpdateServerURL = "UpdateServerURL";
inline constexpr const char* kDefaultUpdateServerURL = "https://updates.orvane.com";

// The installation identifier's domain and key.
inline constexpr const char* kSoftwareUpdateDomain = "orvane.softwareupdate";
inline constexpr const char* kInstallationUUID = "UUID";

// Session-bus notifications; their object is the product's update domain.
inline constexpr const char* kStatusChangeNotification = "orvane.updater.statuschange";
inline constexpr const char* kUpdateCheckCompletedNotification = "orvane.updater.UpdateCheckCompleted";
inline constexpr const char* kCancelUpdateNotification = "orvane.updater.CancelUpdate";
// In-process, in the updater: one product's run is over (object: its controller).
inline constexpr const char* kNoUpdateNotification = "orvane.updater.noupdate";

}  // namespace talv::update
