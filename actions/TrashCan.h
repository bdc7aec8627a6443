#pragma once
// Moving files (and folders such as ".chatlog" bundles) to the freedesktop Trash of their volume
// through GIO, and putting them back. A name already in the Trash never makes a move fail: the
// Trash names the newcomer uniquely. Any thread, one call at a time per file.
#include <filesystem>
#include <optional>
#include <string>

namespace talv {

// Where a trashed file went.
struct TrashedItem {
    std::filesystem::path original;  // where it was
    std::filesystem::path trashed;   // in the Trash's "files" folder
    std::filesystem::path info;      // its ".trashinfo" in the "info" folder
};

struct TrashMove {
    bool moved = false;
    // Where the file went; none when it was moved but its entry could not be found again.
    std::optional<TrashedItem> item;
    std::string error;  // why it was not moved (the Trash is missing or may not be written, ...)
};

[[nodiscard]] TrashMove moveToTrash(const std::filesystem::path& path);

// Moves a trashed file back to where it was (making its folder again when needed) and removes its
// trash information. False, with the reason in `error`, when something stands at the original
// place again or the file is no longer in the Trash; nothing is moved then.
[[nodiscard]] bool restoreFromTrash(const TrashedItem& item, std::string& error);

}  // namespace talv
