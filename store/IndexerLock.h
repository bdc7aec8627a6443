#pragma once
// The archive's indexer lock: an exclusive flock on "Indexer.lock" beside the transcript database,
// held by a scan pass from before its transaction to after its commit, so that two processes
// (two `talvessa-cli index` or `watch`, or one of them and the window) never index at once: the
// second waits, then finds the first one's chats already stored. The kernel drops the lock when
// its holder exits. Thread: any; one object per holder.
#include <filesystem>
#include <optional>

namespace talv {

class IndexerLock {
public:
    static constexpr const char* kFileName = "Indexer.lock";

    // The lock when no other holder has it, else none. When the lock file cannot be made (a
    // read-only folder) or the file system has no locks, the lock is granted without one.
    static std::optional<IndexerLock> tryAcquire(const std::filesystem::path& folder);

    ~IndexerLock();
    IndexerLock(IndexerLock&& other) noexcept;
    IndexerLock& operator=(IndexerLock&& other) noexcept;
    IndexerLock(const IndexerLock&) = delete;
    IndexerLock& operator=(const IndexerLock&) = delete;

private:
    explicit IndexerLock(int fd) : fd_(fd) {}
    int fd_;  // -1: granted without a file
};

}  // namespace talv
