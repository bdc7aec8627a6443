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
    if (rs && rs->next()) n = rs->intForColumn("N");
    return n;
}

void printSummary(const TalvHelperController& driver) {
    fmt::print("Read {} iChat, {} Adium and {} Fire transcripts; the archive holds {} chats.\n",
               driver.filesRead("iChat"), driver.filesRead("Adium"), driver.filesRead("Fire"), chatsInArchive());
}

}  // namespace

bool prepareArchive() {
    auto store = TalvDatabase::open();
    if (!store) {
        fmt::print(stderr, "talvessa-cli: cannot open the archive in {}\n", Paths::applicationSupport().string());
        return false;
    }
    store->db().setLogsErrors(false);
    store->createTablesAsNeeded();
    if (auto cache = TalvCacheDatabase::open()) {
        cache->db().setLogsErrors(false);
        cache->createTablesAsNeeded();
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
    printSummary(*indexing.driver);
    return 0;
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
