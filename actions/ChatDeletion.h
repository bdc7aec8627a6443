#pragma once
// Deleting a chat from the archive: its transcript file optionally moved to the Trash first, its
// messages, participants and cached page removed, and its Chats row kept, emptied and marked
// Deleted, so that the scan never indexes the file again. The last deletion can be put back.
// Opens connections of its own to both databases for each call; the thread that calls.
#include "actions/TrashCan.h"

#include <cstdint>
#include <optional>
#include <string>

namespace talv {

// What putting a deleted chat back needs.
struct DeletedChat {
    std::int64_t chatID = 0;
    std::string filePath;
    std::optional<TrashedItem> trashed;  // set when the file went to the Trash
};

struct ChatDeletion {
    enum class Status {
        Deleted,
        TrashFailed,  // the file could not be moved to the Trash: nothing changed
        NoSuchChat,   // no such chat, or one deleted before
        Failed,       // the archive could not be read or written: nothing changed
    };
    Status status = Status::Failed;
    std::string message;  // for the user, unless Deleted
    // How to put the chat back; none when its file was gone, or went to the Trash and its
    // entry there was not found.
    std::optional<DeletedChat> undo;
};

// The file is moved only when `moveToTrash` is true and it exists; a chat whose file is gone is
// deleted from the archive alone. The file is moved before the archive changes, and moved back
// when the archive cannot be changed.
[[nodiscard]] ChatDeletion deleteChat(std::int64_t chatID, bool moveToTrash);

// Puts a deleted chat back: the file out of the Trash (when it went there), then read again and
// stored under its old chat ID. The empty text on success, else the message for the user.
[[nodiscard]] std::string undoDeletion(const DeletedChat& chat);

}  // namespace talv
