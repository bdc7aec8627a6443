// talvessa-cli delete, open and reveal: the window's chat actions from a terminal.
#include "cli/Commands.h"
#include "actions/ChatDeletion.h"
#include "actions/ClientApplications.h"
#include "actions/FileManagerReveal.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "store/DatabaseCheck.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <glib.h>

#include <filesystem>

namespace talv::cli {
namespace {

struct ChatFile {
    std::int64_t id = 0;
    std::string path;
    std::optional<std::string> kind;
};

// The one chat ID a command takes; none, after printing the bad usage, otherwise.
std::optional<std::int64_t> chatArgument(const ParsedArguments& args, const char* command, int& exitCode) {
    exitCode = 2;
    if (args.positionals.size() != 1) {
        usageError(formatString(tr("%@ takes one chat ID"), {std::string(command)}));
        return std::nullopt;
    }
    auto id = parseChatID(args.positionals.front());
    if (!id) usageError(formatString(tr("'%@' is not a chat ID"), {args.positionals.front()}));
    return id;
}

// The transcript file of a listed chat; none, after printing why, when the chat or its file is
// not there.
std::optional<ChatFile> listedChatFile(std::int64_t id) {
    auto store = TalvDatabase::open();
    if (!store) {
        reportUnreadableArchive(tr("it cannot be opened"));
        return std::nullopt;
    }
    auto row = store->db().executeQuery("SELECT FilePath, Kind, Deleted FROM Chats WHERE ROWID = ?;", {id});
    if (!row || !row->next()) {
        if (!row || lastStatementFailed(store->db())) reportUnreadableArchive(store->db().lastErrorMessage());
        else fmt::print(stderr, "talvessa-cli: {}\n", formatString(tr("the archive holds no chat %d"), {id}));
        return std::nullopt;
    }
    ChatFile chat{id, row->stringForColumn("FilePath").value_or(""), row->stringForColumn("Kind")};
    const bool deleted = row->intForColumn("Deleted") != 0;
    row->close();
    std::error_code ec;
    if (deleted) fmt::print(stderr, "talvessa-cli: {}\n", formatString(tr("the archive holds no chat %d"), {id}));
    else if (chat.path.empty() || !std::filesystem::exists(chat.path, ec))
        fmt::print(stderr, "talvessa-cli: {}\n", formatString(tr("the transcript file of chat %d is gone: %@"), {id, chat.path}));
    else return chat;
    return std::nullopt;
}

// The transcript file of the listed chat a command names; none, after printing why, with the exit
// code in `exitCode` otherwise.
std::optional<ChatFile> chatFileArgument(const ParsedArguments& args, const char* command, int& exitCode) {
    const auto id = chatArgument(args, command, exitCode);
    if (!id) return std::nullopt;
    exitCode = 1;
    if (!prepareArchive()) return std::nullopt;
    return listedChatFile(*id);
}

// The exit code of an action that answers the empty text or the problem, which is printed.
int reported(const std::string& problem) {
    if (problem.empty()) return 0;
    fmt::print(stderr, "talvessa-cli: {}\n", problem);
    return 1;
}

}  // namespace

int runDelete(const ParsedArguments& args) {
    int exitCode = 0;
    const auto id = chatArgument(args, "delete", exitCode);
    if (!id) return exitCode;
    if (args.has("trash") && args.has("keep-file")) return usageError(tr("give --trash or --keep-file, not both"));
    if (!prepareArchive()) return 1;
    UserDefaults& defaults = UserDefaults::standard();
    const bool toTrash = args.has("trash") || (!args.has("keep-file") && defaults.boolForKey("MoveToTrashOnDelete"));

    const ChatDeletion deletion = deleteChat(*id, toTrash);
    switch (deletion.status) {
    case ChatDeletion::Status::Deleted:
        if (deletion.undo && deletion.undo->trashed)
            fmt::print("{}\n", formatString(tr("Deleted chat %d; its transcript file is in the Trash as %@"),
                                            {*id, deletion.undo->trashed->trashed.string()}));
        else fmt::print("{}\n", formatString(tr("Deleted chat %d"), {*id}));
        return 0;
    case ChatDeletion::Status::TrashFailed:
        fmt::print(stderr, "talvessa-cli: {} {}\n", deletion.message,
                   formatString(tr("Chat %d stays in the archive; 'talvessa-cli delete %d --keep-file' deletes it from the archive alone."),
                                {*id, *id}));
        return 1;
    case ChatDeletion::Status::NoSuchChat:
    case ChatDeletion::Status::Failed:
        fmt::print(stderr, "talvessa-cli: {}\n", deletion.message);
        return 1;
    }
    return 1;
}

int runOpen(const ParsedArguments& args) {
    int exitCode = 0;
    const auto chat = chatFileArgument(args, "open", exitCode);
    if (!chat) return exitCode;
    const auto client = clientApplicationName(chat->kind, chat->path);
    if (!client) {
        fmt::print(stderr, "talvessa-cli: {}\n", formatString(tr("chat %d is of the kind '%@', which no client opens"),
                                                             {chat->id, chat->kind.value_or("")}));
        return 1;
    }
    return reported(openInClient(chat->path, *client, UserDefaults::standard()));
}

int runReveal(const ParsedArguments& args) {
    int exitCode = 0;
    const auto chat = chatFileArgument(args, "reveal", exitCode);
    if (!chat) return exitCode;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    std::optional<std::string> problem;
    revealInFileManager(chat->path, [&](const std::string& message) {
        problem = message;
        g_main_loop_quit(loop);
    });
    if (!problem) g_main_loop_run(loop);
    g_main_loop_unref(loop);
    return reported(*problem);
}

}  // namespace talv::cli
