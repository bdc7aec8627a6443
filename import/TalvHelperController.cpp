#include "import/TalvHelperController.h"

#include "identity/CacheIdentityServices.h"
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"
#include "import/TranscriptWalk.h"
#include "platform/CalendarDate.h"
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
#include <cmath>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr double kRescanDelaySeconds = 60;
constexpr double kProgressIntervalSeconds = 0.5;
// How often a loop waiting for the scan thread looks again.
constexpr double kLoopWakeSeconds = 0.1;
// The poll thread checks for cancellation at least this often.
constexpr std::chrono::milliseconds kPollWake{1000};
// How often a pass waiting for another indexer tries the lock again.
constexpr std::chrono::milliseconds kIndexerLockRetry{100};

bool verbose() {
    static const bool on = UserDefaults::standard().boolForKey("Verbose", false);
    return on;
}

std::string underTranscriptsHome(const char* relative) { return (Paths::transcriptsHome() / relative).string(); }

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Progress of one folder pass: "begin" once, then "progress" at most every half second.
class PassProgress {
public:
    PassProgress(std::function<void(Value)> send, std::string kind, std::size_t total)
        : send_(std::move(send)), kind_(std::move(kind)), total_(static_cast<double>(total)) {
        send_(Value::Dictionary{{"State", "begin"}, {"Kind", kind_}, {"TotalFiles", total_}, {"CurrentFile", 0.0},
                                {"Percent", 0.0}, {"ElapsedTime", 0.0}});
        start_ = last_ = std::chrono::steady_clock::now();
    }

    void beforeFile(int n) {
        total_ = std::max(total_, static_cast<double>(n));  // a file written since the files were counted
        if (secondsSince(last_) < kProgressIntervalSeconds) return;
        last_ = std::chrono::steady_clock::now();
        send_(Value::Dictionary{{"State", "progress"}, {"Kind", kind_}, {"TotalFiles", total_},
                                {"CurrentFile", static_cast<double>(n)},
                                {"Percent", std::floor(n * 100.0 / total_)}, {"ElapsedTime", secondsSince(start_)}});
    }

private:
    std::function<void(Value)> send_;
    std::string kind_;
    double total_;
    std::chrono::steady_clock::time_point start_, last_;
};

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

std::shared_ptr<TalvHelperController> TalvHelperController::create(std::weak_ptr<ScanProgressReceiver> mainController) {
    std::shared_ptr<TalvHelperController> controller(new TalvHelperController(std::move(mainController)));
    std::weak_ptr<TalvHelperController> weak = controller;
    controller->forceRescanObserver_ = NotificationCenter::defaultCenter().addObserver(
        kForceRescanNotification, nullptr, [weak](const Notification&) {
            if (auto c = weak.lock()) c->forceRescan();
        });
    return controller;
}

TalvHelperController::TalvHelperController(std::weak_ptr<ScanProgressReceiver> mainController)
    : mainController_(std::move(mainController)) {
    scanThread_ = std::thread(&TalvHelperController::scanChatTranscriptsThread, this,
                              MainThreadMessage::sharedThreadMessage().port());
}

TalvHelperController::~TalvHelperController() {
    pollThread_.reset();  // cancels and joins
    stopping_ = true;
    // Wake an idle scan thread; a busy one sees the flag when its pass ends.
    requests_.wake();
    if (scanThread_.joinable()) scanThread_.join();
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
    for (const auto& request : launchRequests()) scanChatTranscripts(request);
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
    auto store = TalvDatabase::open();
    if (store && store->db().executeUpdate("DELETE FROM DirectoryTimestamps;") != SQLITE_OK)
        logf("Cannot forget the folder timestamps: {}", store->db().lastErrorMessage());
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
    RunLoop::runUntil([] { return false; }, kLoopWakeSeconds);
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
        auto request = requests_.next();
        if (!request) break;
        total += scanChatTranscript(*request, mainPort, db);
    }
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
    const TranscriptWalk walk(folder, {"ichat", "chat"}, db.timestampForDirectory(folder).value_or(kTranscriptEpoch));
    const TranscriptSurvey survey = walk.survey();
    PassProgress progress([&](Value r) { sendProgress(mainPort, std::move(r)); }, "iChat", survey.taken);
    int n = 0;
    bool allStored = true;
    const bool finished = survey.taken == 0 || walk.forEachTaken([&](const TranscriptFile& file) {
        if (stopping_) return false;
        progress.beforeFile(++n);
        if (!IChatReader::scanChatFile(file.path.string(), db)) allStored = countFailedWrite(db);
        return true;
    });
    // An interrupted walk keeps the old timestamp, and so does one with a chat that was not stored.
    if (!finished) return n;
    if (allStored && survey.newest > kTranscriptEpoch && !db.setTimestampForDirectory(survey.newest, folder))
        countFailedWrite(db);
    addFilesRead("iChat", n);
    return n;
}

int TalvHelperController::scanAdiumLogs(TalvDatabase& db, const MessagePort& mainPort) {
    const AdiumLogParser htmlReader;
    const AdiumXMLLogParser xmlReader;
    LogPass pass{adiumFolder(), {"html", "chatlog", "AdiumHTMLLog"}, "Adium", false,
                 [&](const fs::path& path) {
                     return path.extension() == ".chatlog" ? xmlReader.parseLogFile(path) : htmlReader.parseLogFile(path);
                 },
                 &TalvHelperController::rescheduleAdiumScan};
    return scanLogFolder(pass, db, mainPort);
}

int TalvHelperController::scanFireLogs(TalvDatabase& db, const MessagePort& mainPort) {
    const FireXMLLogParser reader;
    LogPass pass{fireFolder(), {"xhtml"}, "Fire", true,
                 [&](const fs::path& path) { return std::optional<ChatRecord>(reader.parseLogFile(path)); },
                 &TalvHelperController::rescheduleFireScan};
    return scanLogFolder(pass, db, mainPort);
}

int TalvHelperController::scanLogFolder(const LogPass& pass, TalvDatabase& db, const MessagePort& mainPort) {
    std::error_code ec;
    if (!fs::is_directory(pass.folder, ec)) return 0;
    const Date threshold = db.timestampForDirectory(pass.folder).value_or(kTranscriptEpoch);
    const TranscriptWalk walk(pass.folder, pass.extensions, threshold);
    const TranscriptSurvey survey = walk.survey([&](const TranscriptFile& file) {
        if (pass.logNewerFiles)
            logf("File {} is newer ({})", fs::relative(file.path, pass.folder, ec).string(),
                 CalendarDate(file.modified).descriptionWithCalendarFormat(CalendarDate::kDefaultFormat));
    });
    PassProgress progress([&](Value r) { sendProgress(mainPort, std::move(r)); }, pass.kind, survey.taken);
    int n = 0;
    bool allStored = true;
    const bool finished = survey.taken == 0 || walk.forEachTaken([&](const TranscriptFile& file) {
        if (stopping_) return false;
        const std::string path = file.path.string();
        if (db.containsChatFile(path)) {
            if (verbose()) logf("Ignoring {}...", path);
            return true;
        }
        ++n;
        if (verbose()) logf("[{}] {}", pass.kind, path);
        progress.beforeFile(n);
        auto record = pass.parse(file.path);
        if (record && !db.addChat(path, record->Kind, record->Participants, record->Messages, record->StartDate,
                                  record->EndDate, record->HasHyperlinks, record->HasPictures, record->HasEmails))
            allStored = countFailedWrite(db);
        return true;
    });
    // An interrupted walk keeps the old timestamp, and so does one with a chat that was not stored.
    if (finished && allStored && survey.newest > kTranscriptEpoch &&
        !db.setTimestampForDirectory(survey.newest, pass.folder))
        countFailedWrite(db);
    sendToMainThread(mainPort, pass.reschedule);
    addFilesRead(pass.kind, n);
    return n;
}

void TalvHelperController::addFilesRead(const std::string& kind, std::int64_t n) {
    std::lock_guard lock(countsMutex_);
    filesRead_[kind] += n;
}

bool TalvHelperController::countFailedWrite(const TalvDatabase& db) {
    std::lock_guard lock(countsMutex_);
    ++failedWrites_;
    lastFailure_ = db.lastWriteError();
    return false;
}

void TalvHelperController::countFailedCommit(const std::string& error) {
    logf("The scan pass was not stored: {}", error);
    std::lock_guard lock(countsMutex_);
    ++failedCommits_;
    lastFailure_ = error;
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
