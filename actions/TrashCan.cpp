#include "actions/TrashCan.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr std::string_view kInfoExtension = ".trashinfo";

// The folder at the top of the file system that holds `path`.
fs::path mountTop(const fs::path& path) {
    struct stat info {};
    fs::path top = path;
    if (stat(top.c_str(), &info) != 0) return {};
    const dev_t device = info.st_dev;
    while (top.has_parent_path() && top.parent_path() != top) {
        if (stat(top.parent_path().c_str(), &info) != 0 || info.st_dev != device) break;
        top = top.parent_path();
    }
    return top;
}

// The Trash folders GIO may choose for a file: the user's own, and the two of its volume's top.
std::vector<fs::path> candidateTrashes(const fs::path& path) {
    std::vector<fs::path> trashes{fs::path(g_get_user_data_dir()) / "Trash"};
    if (const fs::path top = mountTop(path.parent_path()); !top.empty()) {
        const std::string uid = std::to_string(getuid());
        trashes.push_back(top / ".Trash" / uid);
        trashes.push_back(top / (".Trash-" + uid));
    }
    return trashes;
}

std::set<fs::path> infoFiles(const std::vector<fs::path>& trashes) {
    std::set<fs::path> found;
    for (const fs::path& trash : trashes) {
        std::error_code ec;
        for (fs::directory_iterator it(trash / "info", ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().extension() == kInfoExtension) found.insert(it->path());
        }
    }
    return found;
}

// The original path an info file records ("Path", percent-encoded, absolute or relative to the
// volume's top); empty when it cannot be read.
fs::path recordedPath(const fs::path& info) {
    GKeyFile* keys = g_key_file_new();
    fs::path recorded;
    if (g_key_file_load_from_file(keys, info.c_str(), G_KEY_FILE_NONE, nullptr)) {
        if (gchar* value = g_key_file_get_value(keys, "Trash Info", "Path", nullptr)) {
            if (gchar* path = g_uri_unescape_string(value, nullptr)) {
                recorded = path;
                g_free(path);
            }
            g_free(value);
        }
    }
    g_key_file_free(keys);
    return recorded;
}

// The entry that appeared for `original` since `before` was listed.
std::optional<TrashedItem> findTrashed(const fs::path& original, const std::vector<fs::path>& trashes,
                                       const std::set<fs::path>& before) {
    for (const fs::path& info : infoFiles(trashes)) {
        if (before.count(info) || recordedPath(info).filename() != original.filename()) continue;
        const fs::path trash = info.parent_path().parent_path();
        const std::string name = info.filename().string();
        return TrashedItem{original, trash / "files" / name.substr(0, name.size() - kInfoExtension.size()), info};
    }
    return std::nullopt;
}

bool occupied(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

}  // namespace

TrashMove moveToTrash(const fs::path& path) {
    TrashMove move;
    GFile* file = g_file_new_for_path(path.c_str());
    gchar* absolute = g_file_get_path(file);
    const fs::path original = absolute ? fs::path(absolute) : path;
    g_free(absolute);
    // A file that cannot leave its folder fails here, as it would in GIO, which leaks on that path.
    if (access(original.parent_path().c_str(), W_OK | X_OK) != 0) {
        move.error = std::strerror(errno);
        g_object_unref(file);
        return move;
    }
    const std::vector<fs::path> trashes = candidateTrashes(original);
    const std::set<fs::path> before = infoFiles(trashes);
    GError* error = nullptr;
    move.moved = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (!move.moved) {
        move.error = error ? error->message : "unknown error";
        if (error) g_error_free(error);
        return move;
    }
    move.item = findTrashed(original, trashes, before);
    if (!move.item) logf("{} went to the Trash, but its entry there was not found", original.string());
    return move;
}

bool restoreFromTrash(const TrashedItem& item, std::string& error) {
    if (!occupied(item.trashed)) {
        error = "it is no longer in the Trash";
        return false;
    }
    std::error_code ec;
    fs::create_directories(item.original.parent_path(), ec);
    // Never over something that took its place meanwhile.
    if (renameat2(AT_FDCWD, item.trashed.c_str(), AT_FDCWD, item.original.c_str(), RENAME_NOREPLACE) != 0) {
        const int code = errno;
        if (code == EEXIST || occupied(item.original)) {
            error = "another file now stands at " + item.original.string();
            return false;
        }
        if (code != EINVAL || std::rename(item.trashed.c_str(), item.original.c_str()) != 0) {
            error = std::strerror(errno);
            return false;
        }
    }
    fs::remove(item.info, ec);
    return true;
}

}  // namespace talv
