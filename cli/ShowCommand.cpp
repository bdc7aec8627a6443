// talvessa-cli show: the page of one chat as the transcript view renders it.
#include "cli/Commands.h"
#include "browse/TalvDateTransformer.h"
#include "display/StandalonePage.h"
#include "display/TranscriptPage.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <glib.h>

#include <cstdio>

namespace talv::cli {
namespace {

// "<participants> – <date started>" of a listed chat, as the chats table shows them; none when
// the chat cannot be read.
std::optional<std::string> chatTitle(std::int64_t chatID) {
    auto store = TalvDatabase::open();
    if (!store) return std::nullopt;
    auto row = store->db().executeQuery("SELECT Participants, DateStarted FROM Chats WHERE ROWID = ?;", {chatID});
    if (!row || !row->next()) return std::nullopt;
    const std::string participants = row->stringForColumn("Participants").value_or("");
    const Date started = row->dateForColumn("DateStarted").value_or(Date{});
    row->close();
    return fmt::format("{} – {}", participants, TalvDateTransformer().transformedValue(CalendarDate(started)));
}

bool writeOutput(const std::string& page, const std::optional<std::string>& file, const std::filesystem::path& style,
                 std::optional<std::int64_t> chatID) {
    if (!file) return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() && std::fflush(stdout) == 0;
    std::string title = "Talvessa";
    if (chatID) {
        const auto named = chatTitle(*chatID);
        if (!named) {
            reportUnreadableArchive(tr("the chat's row cannot be read"));
            return false;
        }
        title = *named;
    }
    std::string error;
    if (writeStandalonePage(page, *file, style, title, error)) return true;
    fmt::print(stderr, "talvessa-cli: {}\n", error);
    return false;
}

}  // namespace

int runShow(const ParsedArguments& args) {
    if (args.positionals.size() > 1) return usageError(tr("show takes one chat ID"));
    if (args.has("none") && !args.positionals.empty()) return usageError(tr("give a chat ID or --none, not both"));
    std::optional<std::int64_t> chatID;
    if (!args.positionals.empty()) {
        chatID = parseChatID(args.positionals.front());
        if (!chatID) return usageError(formatString(tr("'%@' is not a chat ID"), {args.positionals.front()}));
    }
    std::filesystem::path style;
    if (auto named = args.value("style")) {
        auto found = findStyle(*named);
        if (!found) {
            return usageError(formatString(tr("no message style is named or found at '%@'; the styles are: %@"),
                                           {*named, fmt::format("{}", fmt::join(styleNames(), ", "))}));
        }
        style = *found;
    } else {
        auto custom = UserDefaults::standard().objectForKey("CustomChatStyle");
        style = chooseStyle(custom && custom->asText() ? std::optional<std::string>(*custom->asText()) : std::nullopt);
    }

    if (!prepareArchive()) return 1;
    if (chatID) {
        // A chat the user deleted is no longer listed.
        const auto held = archiveCount("SELECT COUNT(*) AS n FROM Chats WHERE ROWID = ? AND Deleted IS NOT 1;", {*chatID});
        if (!held) return 1;
        if (*held == 0) {
            fmt::print(stderr, "talvessa-cli: {}\n", formatString(tr("the archive holds no chat %d"), {*chatID}));
            return 1;
        }
    }
    const std::optional<std::string> page = renderTranscriptPage(chatID, args.value("search").value_or(""), style);
    if (!page) {
        fmt::print(stderr, "talvessa-cli: {}\n",
                   chatID ? formatString(tr("cannot render chat %d"), {*chatID}) : tr("cannot render the page"));
        return 1;
    }
    return writeOutput(*page, args.value("output"), style, chatID) ? 0 : 1;
}

}  // namespace talv::cli
