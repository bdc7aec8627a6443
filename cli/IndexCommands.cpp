// talvessa-cli index and watch: the scan driver without a window.
#include "cli/Commands.h"
#include "cli/ProgressPrinter.h"
#include "import/TalvHelperController.h"
#include "platform/Log.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>
#include <glib-unix.h>

#include <csignal>
#include <filesystem>
#include <optional>

namespace talv::cli {
namespace {

// The chats the archive lists; none (with the message) when it cannot be read.
std::optional<std::int64_t> chatsInArchive() {
    return archiveCount("SELECT COUNT(*) AS n FROM Chats WHERE Deleted IS NOT 1;");
}

// Warns, naming the folders looked for, when none of the chat clients' folders exists. Whether one does.
bool clientFoldersFound() {
    const std::vector<std::string> folders{TalvHelperController::iChatFolder(), TalvHelperController::razevarigedFolder(),
                                           TalvHelperController::adiumFolder(), TalvHelperController::fireFolder()};
    std::error_code ec;
    for (const std::string& folder : folders) {
        if (std::filesystem::is_directory(folder, ec)) return true;
    }
    const std::filesystem::path home = Paths::transcriptsHome();
    const std::string warning = std::filesystem::exists(home, ec)
                                    ? tr("warning: none of the chat clients' folders is under %@. Looked for:")
                                    : tr("warning: the transcripts home %@ does not exist. Looked for:");
    fmt::print(stderr, "talvessa-cli: {}\n", formatString(warning, {home.string()}));
    for (const std::string& folder : folders) fmt::print(stderr, "  {}\n", folder);
    fmt::print(stderr, "{}\n", tr("Name the home that holds them: talvessa-cli --transcripts-home DIR index"));
    return false;
}

// One line with the store's error when something was not stored or read. Whether all was.
bool reportFailures(const TalvHelperController& driver) {
    const std::int64_t failed = driver.failedWrites() + driver.failedCommits();
    if (failed != 0) {
        const std::string message = failed == 1 ? tr("the archive in %@ was not fully updated (%d write failed): %@")
                                                : tr("the archive in %@ was not fully updated (%d writes failed): %@");
        fmt::print(stderr, "talvessa-cli: {}\n",
                   formatString(message, {Paths::applicationSupport().string(), failed, driver.lastFailure()}));
        return false;
    }
    if (const std::int64_t unread = driver.failedReads(); unread != 0) {
        fmt::print(stderr, "talvessa-cli: {} transcript{} could not be read and will be read at the next index: {}\n",
                   unread, unread == 1 ? "" : "s", driver.lastFailure());
        return false;
    }
    return true;
}

// The summary line, or the failures. Whether everything was stored and counted.
bool printSummary(const TalvHelperController& driver) {
    if (!reportFailures(driver)) return false;
    const std::optional<std::int64_t> chats = chatsInArchive();
    if (!chats) return false;
    fmt::print("{}\n", formatString(tr("Read %d iChat, %d Adium and %d Fire transcripts; the archive holds %d chats."),
                                    {std::int64_t{driver.filesRead("iChat")}, std::int64_t{driver.filesRead("Adium")},
                                     std::int64_t{driver.filesRead("Fire")}, *chats}));
    return true;
}

// The scan driver of a command, reporting to a progress printer on standard error, which also
// prints the log lines when they are echoed.
struct Indexing {
    Indexing() {
        MainThreadMessage::sharedThreadMessage();
        if (logEchoes()) setLogEcho([printer = printer](std::string_view line) { printer->logLine(line); });
        driver = TalvHelperController::create(printer);
    }
    ~Indexing() {
        driver.reset();  // joins the scan thread, the last to log
        if (logEchoes()) setLogEcho(echoToStandardError);
    }
    Indexing(const Indexing&) = delete;
    Indexing& operator=(const Indexing&) = delete;

    std::shared_ptr<ProgressPrinter> printer = std::make_shared<ProgressPrinter>(stderr);
    std::shared_ptr<TalvHelperController> driver;
};

}  // namespace

int runIndex(const ParsedArguments&) {
    if (!prepareArchive()) return 1;
    const bool foldersFound = clientFoldersFound();
    Indexing indexing;
    indexing.driver->queueLaunchRequests();
    indexing.driver->runUntilIdle();
    indexing.printer->finish();
    const bool stored = printSummary(*indexing.driver);
    return stored && foldersFound ? 0 : 1;
}

int runWatch(const ParsedArguments&) {
    if (!prepareArchive()) return 1;
    clientFoldersFound();  // a folder made later is still found
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
    fmt::print(stderr, "{}\n", formatString(tr("Watching for new transcripts under %@; Ctrl-C stops."),
                                            {Paths::transcriptsHome().string()}));
    while (!stop) RunLoop::runUntil([&] { return stop; }, 1.0);
    g_source_remove(interrupt);
    g_source_remove(terminate);

    printer->finish();
    fmt::print(stderr, "{}\n", tr("Stopping: the running pass commits what it has read."));
    driver->stop();  // stops the poll thread, lets the scan thread commit and joins it
    return reportFailures(*driver) ? 0 : 1;
}

}  // namespace talv::cli
