#pragma once
// Watches folders (not their subfolders) for entries written, added, removed or renamed,
// through inotify. Used by one thread at a time.
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace talv {

class FolderWatcher {
public:
    FolderWatcher();  // check valid() afterwards
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    bool valid() const { return fd_ >= 0; }

    // Registers a folder. A folder that cannot be watched (it does not exist, say) is remembered
    // as failed: the next wait() reports an error for it.
    void watch(const std::string& folder);

    struct Events {
        std::vector<std::string> changedFolders;  // in event order, one per event
        bool error = false;                       // a watch failed, a folder went away, or the read failed
    };
    // Waits up to `timeout` for events. An inotify queue overflow reports every watched folder.
    Events wait(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
    std::map<int, std::string> folders_;  // watch descriptor to folder
    bool failedWatch_ = false;
};

}  // namespace talv
