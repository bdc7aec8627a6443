#include "import/TalvHelperController.h"

#include "identity/CacheIdentityServices.h"
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"
#include "platform/FolderWatcher.h"
#include "platform/Log.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"
#include "store/Transaction.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr double kRescanDelaySeconds = 60;
// How often a loop waiting for the scan thread looks again.
constexpr double kLoopWakeSeconds = 0.1;
// The poll thread checks for cancellation at least this often.
constexpr std::chrono::milliseconds kPollWake{1000};
// How often a pass waiting for another indexer tries the lock again.
constexpr std::chrono::milliseconds kIndexerLockRetry{100};

std::string underTranscriptsHome(const char* relative) { return (Paths::transcriptsHome() / relative).string(); }

// Body of the poll thread: watches the iChat folders and asks the main thread to scan the ones
// that change.
struct FolderPoll {
    std::vector<std::string> folders;
    std::weak_ptr<TalvHelperController> controller;

    void run(MessagePort mainPort, ThreadWorker& worker) {
        FolderWatcher watcher;
        if (!watcher.valid()) return;
        for (const auto& folder : folders) watcher.watch(folder);
        while (!worker.cancelled()) {
            auto events = watcher.wait(kPollWake);
            if (worker.cancelled()) return;
            for (auto& folder : events.changedFolders) {
                mainPort.send([weak = controller, folder = std::move(folder)] {
                    if (auto c = weak.lock()) c->scanChatTranscripts(folder);
                });
            }
            if (events.error) return;
        }
    }
};

}  // namespace

std::string TalvHelperController::iChatFolder() {
    const std::string saved = UserDefaults::forDomain("com.apple.ichat").stringForKey("SavedChatsFolder");
    if (saved.empty()) return underTranscriptsHome("Documents/iChats");
    if (saved == "~" || saved.rfind("~/", 0) == 0) return (Paths::transcriptsHome() / saved.substr(std::min<std::size_t>(2, saved.size()))).string();
    return Paths::canonical(Paths::expandTilde(saved)).string();
}

std::string TalvHelperController::razevarigedFolder() { return underTranscriptsHome("Documents/iChats (Razevariged)/"); }
std::string TalvHelperController::adiumFolder() { return underTranscriptsHome("Library/Application Support/Adium 2.0/Users/"); }
std::string TalvHelperController::fireFolder() { return underTranscriptsHome("Library/Application Support/Fire/Sessions/"); }

std::shared_ptr<TalvHelperController> TalvHelperController::create(std::weak_ptr<ScanProgressReceiver> mainController,
                                                                   const FileSystem& fileSystem) {
    std::shared_ptr<TalvHelperController> controller(new TalvHelperController(std::move(mainController), fileSystem));
    std::weak_ptr<TalvHelperController> weak = controller;
    controller->forceRescanObserver_ = NotificationCenter::defaultCenter().addObserver(
        kForceRescanNotification, nullptr, [weak](const Notification&) {
            if (auto c = weak.lock()) c->forceRescan();
        });
    return controller;
}

TalvHelperController::TalvHelperController(std::weak_ptr<ScanProgressReceiver> mainController,
                                           const FileSystem& fileSystem)
    : mainController_(std::move(mainController)), fileSystem_(fileSystem) {
    scanThread_ = std::thread(&TalvHelperController::scanChatTranscriptsThread, this,
                              MainThreadMessage::sharedThreadMessage().port());
}

TalvHelperController::~TalvHelperController() { stop(); }

void TalvHelperController::stop() {
    pollThread_.reset();  // cancels and joins
    requestStop();
    if (scanThread_.joinable()) scanThread_.join();
}

void TalvHelperController::requestStop() {
    stopping_ = true;
    // Wake an idle scan thread; a busy one sees the flag before its next file.
    requests_.wake();
}

std::vector<std::string> TalvHelperController::launchRequests() const {
    std::vector<std::string> requests{"#iChat"};
    std::error_code ec;
    if (fs::is_directory(razevarigedFolder(), ec)) requests.push_back(razevarigedFolder());
    requests.push_back("#Adium");
    requests.push_back("#Fire");
    return requests;
}

void TalvHelperController::queueLaunchRequests() {
    std::vector<std::string> requests = launchRequests();
    for (auto& request : requests)
        if (request == "#iChat") request = iChatFolder();
    // All at once: a pass that began with the first must not end before the others arrive.
    requests_.queue(requests);
}

void TalvHelperController::applicationDidFinishLaunching() {
    queueLaunchRequests();

    auto poll = std::make_shared<FolderPoll>();
    for (const auto& request : launchRequests()) {
        if (request == "#iChat") poll->folders.push_back(iChatFolder());
        else if (request[0] != '#') poll->folders.push_back(request);
    }
    poll->controller = weak_from_this();
    pollThread_ = ThreadWorker::workOn(poll, &FolderPoll::run, MainThreadMessage::sharedThreadMessage().port());
}

void TalvHelperController::forceRescan() {
    // The scan thread forgets the timestamps before it takes the next request, inside its own
    // transaction: the main thread never waits for a running pass.
    forgetTimestamps_ = true;
    queueLaunchRequests();
}

void TalvHelperController::scanChatTranscripts(const std::string& request) {
    requests_.queue(request == "#iChat" ? iChatFolder() : request);
}

void TalvHelperController::rescheduleAdiumScan() {
    std::weak_ptr<TalvHelperController> weak = weak_from_this();
    adiumTimer_ = RunLoop::scheduledTimer(Date::now().addingSeconds(kRescanDelaySeconds), [weak] {
        if (auto c = weak.lock()) c->scanChatTranscripts("#Adium");
    });
}

void TalvHelperController::rescheduleFireScan() {
    std::weak_ptr<TalvHelperController> weak = weak_from_this();
    fireTimer_ = RunLoop::scheduledTimer(Date::now().addingSeconds(kRescanDelaySeconds), [weak] {
        if (auto c = weak.lock()) c->scanChatTranscripts("#Fire");
    });
}

bool TalvHelperController::isIdle() { return requests_.isIdle(); }

void TalvHelperController::runUntilIdle() {
    while (!isIdle()) RunLoop::runUntil([&] { return isIdle(); }, kLoopWakeSeconds);
    // The port delivers in order: once this call has run, so has everything the scan thread sent.
    auto delivered = std::make_shared<std::atomic<bool>>(false);
    MainThreadMessage::sharedThreadMessage().port().send([delivered] { *delivered = true; });
    while (!*delivered) RunLoop::runUntil([&] { return delivered->load(); }, kLoopWakeSeconds);
}

std::int64_t TalvHelperController::filesRead(const std::string& kind) const {
    std::lock_guard lock(countsMutex_);
    auto it = filesRead_.find(kind);
    return it == filesRead_.end() ? 0 : it->second;
}

void TalvHelperController::sendProgress(const MessagePort& mainPort, Value record) const {
    mainPort.send([receiver = mainController_, record = std::move(record)] {
        if (auto r = receiver.lock()) r->helperNotificationScan(record);
    });
}

void TalvHelperController::sendToMainThread(const MessagePort& mainPort, void (TalvHelperController::*operation)()) {
    mainPort.send([weak = weak_from_this(), operation] {
        if (auto c = weak.lock()) ((*c).*operation)();
    });
}

void TalvHelperController::scanChatTranscriptsThread(MessagePort mainPort) {
    CacheIdentityServices identities;
    auto store = TalvDatabase::open(&identities);
    for (;;) {
        requests_.beginPass();
        if (stopping_) {
            requests_.endPass();
            return;
        }
        int total = 0;
        std::optional<IndexerLock> lock;
        if (store) lock = waitForIndexerLock(fs::path(store->db().databasePath()).parent_path());
        if (lock) {
            total = runPass(*store, mainPort);
            lock.reset();
        } else {
            while (requests_.next()) {
            }
        }
        if (total != 0) {
            sendProgress(mainPort, Value::Dictionary{{"TotalFiles", 1.0}, {"CurrentFile", 1.0}, {"Percent", 100.0},
                                                     {"ElapsedTime", 0.0}, {"ElapsedTimePerChat", 0.0},
                                                     {"State", "end"}, {"Kind", ""}});
        }
        requests_.endPass();
        if (stopping_) return;
    }
}

std::optional<IndexerLock> TalvHelperController::waitForIndexerLock(const fs::path& folder) {
    for (bool told = false;; told = true) {
        if (auto lock = IndexerLock::tryAcquire(folder)) return lock;
        if (!told) logf("Another indexer is working on {}; waiting for it to finish", folder.string());
        if (stopping_) return std::nullopt;
        std::this_thread::sleep_for(kIndexerLockRetry);
    }
}

int TalvHelperController::runPass(TalvDatabase& db, const MessagePort& mainPort) {
    Transaction pass(db.db());
    // Without the pass's transaction each chat is written (or refused) in a transaction of its own.
    const bool began = pass.began();
    if (!began) countFailedCommit(db.db().lastErrorMessage());
    int total = 0;
    while (!stopping_) {
        if (forgetTimestamps_.exchange(false) && db.db().executeUpdate("DELETE FROM DirectoryTimestamps;") != SQLITE_OK)
            countFailedWrite(fmt::format("cannot forget the folder timestamps: {}", db.db().lastErrorMessage()));
        auto request = requests_.next();
        if (!request) break;
        total += scanChatTranscript(*request, mainPort, db);
    }
    // The pass's chats enter the search index together: FTS5 writes its terms at every savepoint.
    if (began && !db.indexPendingChats())
        countFailedWrite(fmt::format("cannot index the text of the chats read: {}", db.lastWriteError()));
    // A pass whose commit fails loses its chats and its folder timestamps together.
    if (began && !pass.commit()) countFailedCommit(db.db().lastErrorMessage());
    return total;
}

int TalvHelperController::scanChatTranscript(const std::string& request, const MessagePort& mainPort, TalvDatabase& db) {
    if (request == "#Adium") return scanAdiumLogs(db, mainPort);
    if (request == "#Fire") return scanFireLogs(db, mainPort);
    return scanIChatFolder(request, mainPort, db);
}

int TalvHelperController::scanIChatFolder(const std::string& folder, const MessagePort& mainPort, TalvDatabase& db) {
    ScanReporter reporter;
    const FolderScan scan{folder, {"ichat", "chat"}, "iChat", "[iChat] {}...", false};
    return countScan(scan.kind, scanFolder(
        scan, [&](const fs::path& path) { return IChatReader::readChatFile(path.string(), fileSystem_, reporter); },
        reporter, db, fileSystem_, [&](Value r) { sendProgress(mainPort, std::move(r)); }, stopping_));
}

int TalvHelperController::scanAdiumLogs(TalvDatabase& db, const MessagePort& mainPort) {
    if (!isFolder(adiumFolder())) return 0;
    ScanReporter reporter;
    const AdiumLogParser htmlReader(fileSystem_, reporter);
    const AdiumXMLLogParser xmlReader(fileSystem_, reporter);
    const FolderScan scan{adiumFolder(), {"html", "chatlog", "AdiumHTMLLog"}, "Adium", "[Adium] {}", false};
    const int n = countScan(scan.kind, scanFolder(
        scan,
        [&](const fs::path& path) {
            return path.extension() == ".chatlog" ? xmlReader.parseLogFile(path) : htmlReader.parseLogFile(path);
        },
        reporter, db, fileSystem_, [&](Value r) { sendProgress(mainPort, std::move(r)); }, stopping_));
    sendToMainThread(mainPort, &TalvHelperController::rescheduleAdiumScan);
    return n;
}

int TalvHelperController::scanFireLogs(TalvDatabase& db, const MessagePort& mainPort) {
    if (!isFolder(fireFolder())) return 0;
    ScanReporter reporter;
    const FireXMLLogParser reader(fileSystem_, reporter);
    const FolderScan scan{fireFolder(), {"xhtml"}, "Fire", "[Fire] {}", true};
    const int n = countScan(scan.kind, scanFolder(
        scan, [&](const fs::path& path) { return reader.parseLogFile(path); }, reporter, db, fileSystem_,
        [&](Value r) { sendProgress(mainPort, std::move(r)); }, stopping_));
    sendToMainThread(mainPort, &TalvHelperController::rescheduleFireScan);
    return n;
}

bool TalvHelperController::isFolder(const std::string& path) const {
    std::error_code ec;
    auto info = fileSystem_.stat(path, ec);
    return info && info->type == FileType::Folder;
}

int TalvHelperController::countScan(const std::string& kind, const FolderScanOutcome& outcome) {
    std::lock_guard lock(countsMutex_);
    filesRead_[kind] += outcome.files;
    failedReads_ += outcome.failedReads;
    failedWrites_ += outcome.failedWrites;
    if (!outcome.lastFailure.empty()) lastFailure_ = outcome.lastFailure;
    return outcome.files;
}

void TalvHelperController::countFailedWrite(const std::string& error) {
    logf("The scan pass was not stored: {}", error);
    std::lock_guard lock(countsMutex_);
    ++failedWrites_;
    lastFailure_ = error;
}

void TalvHelperController::countFailedCommit(const std::string& error) {
    logf("The scan pass was not stored: {}", error);
    std::lock_guard lock(countsMutex_);
    ++failedCommits_;
    lastFailure_ = error;
}

std::int64_t TalvHelperController::failedReads() const {
    std::lock_guard lock(countsMutex_);
    return failedReads_;
}

std::int64_t TalvHelperController::failedWrites() const {
    std::lock_guard lock(countsMutex_);
    return failedWrites_;
}

std::int64_t TalvHelperController::failedCommits() const {
    std::lock_guard lock(countsMutex_);
    return failedCommits_;
}

std::string TalvHelperController::lastFailure() const {
    std::lock_guard lock(countsMutex_);
    return lastFailure_;
}

}  // namespace talv
