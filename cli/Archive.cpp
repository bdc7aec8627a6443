// The archive as every command opens and reads it.
#include "cli/Commands.h"
#include "identity/DatabaseStartup.h"
#include "platform/Paths.h"
#include "platform/Strings.h"
#include "store/DatabaseCheck.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>

#include <charconv>

namespace talv::cli {
namespace {

// The one-time build of the search index of an older archive, on standard error: in place on a
// terminal, else one line when it is done.
void showSearchIndexProgress(std::int64_t done, std::int64_t total) {
    static const bool terminal = isatty(fileno(stderr)) != 0;
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0;
    if (terminal) fmt::print(stderr, "\r\033[KBuilding the search index: {:3.0f}% ({} of {} chats)", percent, done, total);
    if (done == total) fmt::print(stderr, "{}Built the search index of {} chats.\n", terminal ? "\r\033[K" : "", total);
}

}  // namespace

bool prepareArchive() {
    if (auto problem = prepareDatabases(showSearchIndexProgress)) {
        fmt::print(stderr, "talvessa-cli: {}\n", *problem);
        return false;
    }
    return true;
}

void reportUnreadableArchive(std::string_view reason) {
    fmt::print(stderr, "talvessa-cli: {}\n",
               unreadableDatabaseMessage(Paths::applicationSupport() / TalvDatabase::kFileName, reason));
}

int usageError(const std::string& message) {
    fmt::print(stderr, "talvessa-cli: {}\n", message);
    return 2;
}

std::optional<std::int64_t> parseChatID(const std::string& text) {
    std::int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return id;
}

std::optional<std::int64_t> archiveCount(const std::string& sql, const std::vector<SqlValue>& args) {
    auto store = TalvDatabase::open();
    if (!store) {
        reportUnreadableArchive(tr("it cannot be opened"));
        return std::nullopt;
    }
    auto rs = store->db().executeQuery(sql, args);
    if (rs && rs->next()) {
        const std::int64_t n = rs->intForColumn("n");
        rs->close();
        return n;
    }
    reportUnreadableArchive(lastStatementFailed(store->db()) || !rs ? store->db().lastErrorMessage() : tr("no result"));
    return std::nullopt;
}

}  // namespace talv::cli
