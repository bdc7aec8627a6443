// talvessa-cli index and watch: the scan driver without a window.
#include "cli/Commands.h"
#include "cli/ProgressPrinter.h"
#include "identity/TalvCacheDatabase.h"
#include "import/TalvHelperController.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <glib-unix.h>

#include <csignal>

namespace talv::cli {
namespace {

std::int64_t chatsInArchive() {
    auto store = TalvDatabase::open();
    if (!store) return 0;
    auto rs = store->db().executeQuery("SELECT COUNT(*) AS N FROM Chats WHERE Deleted IS NOT 1;");
    std::int64_t n = 0;
    if (rs && rs->next()) n = rs->int64ForColumn("N");
    return n;
}

// The summary line, or one line with the store's error when something was not stored; the exit code.
int printSummary(const TalvHelperController& driver) {
    const std::int64_t failed = driver.failedWrites() + driver.failedCommits();
    if (failed != 0) {
        fmt::print(stderr, "talvessa-cli: the archive in {} was not fully updated ({} write{} failed): {}\n",
                   Paths::applicationSupport().string(), failed, failed == 1 ? "" : "s", driver.lastFailure());
        return 1;
    }
    fmt::print("Read {} iChat, {} Adium and {} Fire transcripts; the archive holds {} chats.\n",
               driver.filesRead("iChat"), driver.filesRead("Adium"), driver.filesRead("Fire"), chatsInArchive());
    return 0;
}

}  // namespace

bool prepareArchive() {
    auto store = TalvDatabase::open();
    if (!store) {
        fmt::print(stderr, "talvessa-cli: cannot open the archive in {}\n", Paths::applicationSupport().string());
        return false;
    }
    store->db().setLogsErrors(false);
    // A schema that cannot be written (a read-only archive) still reads; an index then fails on
    // its first write and says so.
    if (!store->createTablesAsNeeded())
        fmt::print(stderr, "talvessa-cli: cannot update the archive's tables: {}\n", store->db().lastErrorMessage());
    if (auto cache = TalvCacheDatabase::open()) {
        cache->db().setLogsErrors(false);
        if (!cache->createTablesAsNeeded())
            fmt::print(stderr, "talvessa-cli: cannot update the identity cache: {}\n", cache->db().lastErrorMessage());
    }
    return true;
}

namespace {

// The scan driver of a command, reporting to a progress printer on standard error.
struct Indexing {
    Indexing() {
        MainThreadMessage::sharedThreadMessage();
        driver = TalvHelperController::create(printer);
    }
    std::shared_ptr<ProgressPrinter> printer = std::make_shared<ProgressPrinter>(stderr);
    std::shared_ptr<TalvHelperController> driver;
};

}  // namespace

int runIndex(const ParsedArguments&) {
    if (!prepareArchive()) return 1;
    Indexing indexing;
    indexing.driver->queueLaunchRequests();
    indexing.driver->runUntilIdle();
    indexing.printer->finish();
    return printSummary(*indexing.driver);
}

int runWatch(const ParsedArguments&) {
    if (!prepareArchive()) return 1;
    Indexing indexing;
    auto& [printer, driver] = indexing;
    driver->applicationDidFinishLaunching();

    bool stop = false;
    auto onSignal = +[](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_CONTINUE;
    };
    const guint interrupt = g_unix_signal_add(SIGINT, onSignal, &stop);
    const guint terminate = g_unix_signal_add(SIGTERM, onSignal, &stop);
    fmt::print(stderr, "Watching for new transcripts under {}; Ctrl-C stops.\n", Paths::transcriptsHome().string());
    while (!stop) RunLoop::runUntil([&] { return stop; }, 1.0);
    g_source_remove(interrupt);
    g_source_remove(terminate);

    printer->finish();
    fmt::print(stderr, "Stopping: the running pass commits what it has read.\n");
    driver.reset();  // stops the poll thread, lets the scan thread commit and joins it
    return 0;
}

}  // namespace talv::cli
