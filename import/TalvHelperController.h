#pragma once
// Keeps the transcript database in step with the chat clients' log folders: queues scan
// requests (at launch, on a forced rescan, when a watched iChat folder changes, and 60 seconds
// after each Adium or Fire pass), runs the passes on its own scan thread with a store of its own,
// and sends progress records to the main controller through the main thread's message port.
//
// Thread: made and called on the main thread, whose GMainContext must run (it serves the port
// and the timers). REQUIRES: MainThreadMessage::sharedThreadMessage() was made on the main thread.
// Destroying it stops the poll thread, lets a running pass finish its file and commit, and joins.
#include "import/FolderScan.h"
#include "import/ScanRequestQueue.h"
#include "platform/FileSystem.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/ThreadMessage.h"
#include "platform/ThreadWorker.h"
#include "platform/Value.h"
#include "store/ChatRecord.h"
#include "store/IndexerLock.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace talv {

class TalvDatabase;

// Receives the progress records ("State", "Kind", "TotalFiles", "CurrentFile", "Percent",
// "ElapsedTime", "ElapsedTimePerChat") on the main thread.
class ScanProgressReceiver {
public:
    virtual ~ScanProgressReceiver() = default;
    virtual void helperNotificationScan(const Value& record) = 0;
};

class TalvHelperController : public std::enable_shared_from_this<TalvHelperController> {
public:
    // The in-process notification that asks for forceRescan() (the preferences' rescan button).
    static constexpr const char* kForceRescanNotification = "orvane.talv.force-rescan";

    // Starts the scan thread; nothing is queued until applicationDidFinishLaunching(). The passes
    // reach the transcripts through `fileSystem`, which must outlive the driver.
    static std::shared_ptr<TalvHelperController> create(std::weak_ptr<ScanProgressReceiver> mainController,
                                                        const FileSystem& fileSystem = FileSystem::local());
    ~TalvHelperController();
    TalvHelperController(const TalvHelperController&) = delete;
    TalvHelperController& operator=(const TalvHelperController&) = delete;

    // Queues the launch requests and starts the poll thread.
    void applicationDidFinishLaunching();
    // Queues the launch requests only, all at once: "#iChat", the Razevariged folder when it
    // exists, "#Adium", "#Fire".
    void queueLaunchRequests();
    // Queues the launch requests; the scan thread forgets every folder timestamp before it takes
    // the next request. Never waits for a running pass.
    void forceRescan();
    // Asks the scan thread to stop after the file it reads (the pass commits what it read); returns
    // at once. The destructor asks too, and joins.
    void requestStop();
    // Stops the poll thread, asks the scan thread to stop and waits for it; the counts below are
    // final afterwards. The destructor does this too.
    void stop();
    // Queues one request: "#iChat", "#Adium", "#Fire" or a folder of iChat transcripts.
    void scanChatTranscripts(const std::string& request);
    void rescheduleAdiumScan();
    void rescheduleFireScan();

    // True when no request is pending and no pass is running.
    bool isIdle();
    // Runs the main loop until isIdle() and everything the scan thread sent has been delivered.
    void runUntilIdle();
    // Number of transcript files read by the passes so far, per kind ("iChat", "Adium", "Fire").
    std::int64_t filesRead(const std::string& kind) const;
    // Transcripts that could not be read, chats (and folder timestamps) the store refused so far,
    // and passes whose transaction did not begin or commit; a file that was not read or stored is
    // read again by a later pass.
    std::int64_t failedReads() const;
    std::int64_t failedWrites() const;
    std::int64_t failedCommits() const;
    // The SQLite error of the latest failure, or "" when nothing failed.
    std::string lastFailure() const;

    // The folders the passes read, under the transcripts home.
    static std::string iChatFolder();
    static std::string razevarigedFolder();
    static std::string adiumFolder();
    static std::string fireFolder();

private:
    TalvHelperController(std::weak_ptr<ScanProgressReceiver> mainController, const FileSystem& fileSystem);
    std::vector<std::string> launchRequests() const;

    // Scan thread.
    void scanChatTranscriptsThread(MessagePort mainPort);
    // Waits for the archive's indexer lock; none when the driver stops first.
    std::optional<IndexerLock> waitForIndexerLock(const std::filesystem::path& folder);
    // Runs the queued requests in one transaction; the number of files read.
    int runPass(TalvDatabase& db, const MessagePort& mainPort);
    int scanChatTranscript(const std::string& request, const MessagePort& mainPort, TalvDatabase& db);
    int scanIChatFolder(const std::string& folder, const MessagePort& mainPort, TalvDatabase& db);
    int scanAdiumLogs(TalvDatabase& db, const MessagePort& mainPort);
    int scanFireLogs(TalvDatabase& db, const MessagePort& mainPort);
    bool isFolder(const std::string& path) const;
    // Adds a folder pass's counts to the driver's; its number of files.
    int countScan(const std::string& kind, const FolderScanOutcome& outcome);
    void countFailedWrite(const std::string& error);
    void countFailedCommit(const std::string& error);
    void sendProgress(const MessagePort& mainPort, Value record) const;
    void sendToMainThread(const MessagePort& mainPort, void (TalvHelperController::*operation)());

    std::weak_ptr<ScanProgressReceiver> mainController_;
    const FileSystem& fileSystem_;
    ScanRequestQueue requests_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> forgetTimestamps_{false};  // set by a forced rescan, done by the scan thread
    std::thread scanThread_;
    std::unique_ptr<ThreadWorker> pollThread_;
    Timer adiumTimer_, fireTimer_;
    ObserverToken forceRescanObserver_;
    mutable std::mutex countsMutex_;
    std::map<std::string, std::int64_t> filesRead_;  // guarded by countsMutex_
    std::int64_t failedReads_ = 0;                   // guarded by countsMutex_
    std::int64_t failedWrites_ = 0;                  // guarded by countsMutex_
    std::int64_t failedCommits_ = 0;                 // guarded by countsMutex_
    std::string lastFailure_;                        // guarded by countsMutex_
};

}  // namespace talv
