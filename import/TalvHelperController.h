#pragma once
// Keeps the transcript database in step with the chat clients' log folders: queues scan
// requests (at launch, on a forced rescan, when a watched iChat folder changes, and 60 seconds
// after each Adium or Fire pass), runs the passes on its own scan thread with a store of its own,
// and sends progress records to the main controller through the main thread's message port.
//
// Thread: made and called on the main thread, whose GMainContext must run (it serves the port
// and the timers). REQUIRES: MainThreadMessage::sharedThreadMessage() was made on the main thread.
// Destroying it stops the poll thread, lets a running pass finish its file and commit, and joins.
#include "import/ScanRequestQueue.h"
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

    // Starts the scan thread; nothing is queued until applicationDidFinishLaunching().
    static std::shared_ptr<TalvHelperController> create(std::weak_ptr<ScanProgressReceiver> mainController);
    ~TalvHelperController();
    TalvHelperController(const TalvHelperController&) = delete;
    TalvHelperController& operator=(const TalvHelperController&) = delete;

    // Queues the launch requests and starts the poll thread.
    void applicationDidFinishLaunching();
    // Queues the launch requests only: "#iChat", the Razevariged folder when it exists, "#Adium", "#Fire".
    void queueLaunchRequests();
    // Forgets every folder timestamp and queues the launch requests.
    void forceRescan();
    // Queues one request: "#iChat", "#Adium", "#Fire" or a folder of iChat transcripts.
    void scanChatTranscripts(const std::string& request);
    void rescheduleAdiumScan();
    void rescheduleFireScan();

    // True when no request is pending and no pass is running.
    bool isIdle();
    // Runs the main loop until isIdle(), then lets it deliver what the scan thread sent last.
    void runUntilIdle();
    // Number of transcript files read by the passes so far, per kind ("iChat", "Adium", "Fire").
    std::int64_t filesRead(const std::string& kind) const;
    // Chats (and folder timestamps) the store refused so far, and passes whose transaction did not
    // begin or commit; a file that was not stored is read again by a later pass.
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
    explicit TalvHelperController(std::weak_ptr<ScanProgressReceiver> mainController);
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
    // An Adium or Fire pass: the folder, the extensions it takes, the reader, the next pass.
    struct LogPass {
        std::string folder;
        std::vector<std::string_view> extensions;
        std::string kind;
        bool logNewerFiles;  // Fire logs every file it takes
        std::function<std::optional<ChatRecord>(const std::filesystem::path&)> parse;
        void (TalvHelperController::*reschedule)();
    };
    int scanLogFolder(const LogPass& pass, TalvDatabase& db, const MessagePort& mainPort);
    void addFilesRead(const std::string& kind, std::int64_t n);
    // Counts a write the store refused, with its error; always false.
    bool countFailedWrite(const TalvDatabase& db);
    void countFailedCommit(const std::string& error);
    void sendProgress(const MessagePort& mainPort, Value record) const;
    void sendToMainThread(const MessagePort& mainPort, void (TalvHelperController::*operation)());

    std::weak_ptr<ScanProgressReceiver> mainController_;
    ScanRequestQueue requests_;
    std::atomic<bool> stopping_{false};
    std::thread scanThread_;
    std::unique_ptr<ThreadWorker> pollThread_;
    Timer adiumTimer_, fireTimer_;
    ObserverToken forceRescanObserver_;
    mutable std::mutex countsMutex_;
    std::map<std::string, std::int64_t> filesRead_;  // guarded by countsMutex_
    std::int64_t failedWrites_ = 0;                  // guarded by countsMutex_
    std::int64_t failedCommits_ = 0;                 // guarded by countsMutex_
    std::string lastFailure_;                        // guarded by countsMutex_
};

}  // namespace talv
