#include "platform/FolderWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace talv {

namespace {
constexpr uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB;
constexpr uint32_t kFolderGoneEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;
}  // namespace

FolderWatcher::FolderWatcher() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatcher::~FolderWatcher() {
    if (fd_ >= 0) close(fd_);
}

void FolderWatcher::watch(const std::string& folder) {
    if (fd_ < 0) return;
    int wd = inotify_add_watch(fd_, folder.c_str(), kEntryEvents | kFolderGoneEvents | IN_ONLYDIR);
    if (wd < 0) {
        failedWatch_ = true;
        return;
    }
    folders_[wd] = folder;
}

FolderWatcher::Events FolderWatcher::wait(std::chrono::milliseconds timeout) {
    Events events;
    if (fd_ < 0 || failedWatch_) {
        events.error = true;
        return events;
    }
    pollfd pfd{fd_, POLLIN, 0};
    int ready = poll(&pfd, 1, static_cast<int>(timeout.count()));
    if (ready < 0) {
        events.error = errno != EINTR;
        return events;
    }
    if (ready == 0) return events;

    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n < 0) {
            if (errno != EAGAIN && errno != EINTR) events.error = true;
            break;
        }
        for (ssize_t offset = 0; offset < n;) {
            inotify_event ev;
            std::memcpy(&ev, buffer + offset, sizeof ev);
            offset += static_cast<ssize_t>(sizeof ev + ev.len);
            if (ev.mask & IN_Q_OVERFLOW) {
                for (const auto& [wd, folder] : folders_) events.changedFolders.push_back(folder);
                continue;
            }
            if (ev.mask & (kFolderGoneEvents | IN_IGNORED)) {
                events.error = true;
                continue;
            }
            if (auto it = folders_.find(ev.wd); it != folders_.end()) events.changedFolders.push_back(it->second);
        }
    }
    return events;
}

}  // namespace talv
