// talvessa-cli show: the page of one chat as the transcript view renders it.
#include "cli/Commands.h"
#include "display/TranscriptPage.h"
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <glib.h>

#include <charconv>
#include <cstdio>

namespace talv::cli {
namespace {

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

// Whether the archive lists the chat: a chat the user deleted is no longer there.
bool archiveHoldsChat(std::int64_t chatID) {
    auto store = TalvDatabase::open();
    if (!store) return false;
    auto row = store->db().executeQuery("SELECT ROWID FROM Chats WHERE ROWID = ? AND Deleted IS NOT 1;", {chatID});
    const bool found = row && row->next();
    if (row) row->close();
    return found;
}

bool writeOutput(const std::string& page, const std::optional<std::string>& file) {
    if (!file) return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() && std::fflush(stdout) == 0;
    GError* error = nullptr;
    if (g_file_set_contents(file->c_str(), page.data(), static_cast<gssize>(page.size()), &error)) return true;
    fmt::print(stderr, "talvessa-cli: cannot write {}: {}\n", *file, error->message);
    g_error_free(error);
    return false;
}

}  // namespace

int runShow(const ParsedArguments& args) {
    if (args.positionals.size() > 1) return usageError("show takes one chat ID");
    if (args.has("none") && !args.positionals.empty()) return usageError("give a chat ID or --none, not both");
    std::optional<std::int64_t> chatID;
    if (!args.positionals.empty()) {
        chatID = parseChatID(args.positionals.front());
        if (!chatID) return usageError(fmt::format("'{}' is not a chat ID", args.positionals.front()));
    }
    std::filesystem::path style;
    if (auto named = args.value("style")) {
        auto found = findStyle(*named);
        if (!found) return usageError(fmt::format("no message style is named or found at '{}'", *named));
        style = *found;
    } else {
        auto custom = UserDefaults::standard().objectForKey("CustomChatStyle");
        style = chooseStyle(custom && custom->asText() ? std::optional<std::string>(*custom->asText()) : std::nullopt);
    }

    if (!prepareArchive()) return 1;
    if (chatID && !archiveHoldsChat(*chatID)) {
        fmt::print(stderr, "talvessa-cli: the archive holds no chat {}\n", *chatID);
        return 1;
    }
    const std::optional<std::string> page = renderTranscriptPage(chatID, args.value("search").value_or(""), style);
    if (!page) {
        fmt::print(stderr, "talvessa-cli: cannot render {}\n", chatID ? fmt::format("chat {}", *chatID) : "the page");
        return 1;
    }
    return writeOutput(*page, args.value("output")) ? 0 : 1;
}

}  // namespace talv::cli
