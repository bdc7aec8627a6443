#pragma once
// The machine's file system with faults put in on purpose: the Nth file opened for reading fails
// or blocks until released, and chosen folders cannot be listed. Records every file opened.
#include "platform/FileSystem.h"

#include <condition_variable>
#include <mutex>
#include <set>

namespace talv::test {

class FaultInjectingFileSystem : public FileSystem {
public:
    // The `n`th open (1-based, counted from now) fails with `error`.
    void failOpen(int n, std::errc error = std::errc::io_error) {
        std::lock_guard lock(mutex_);
        failAt_ = opened_.size() + n;
        error_ = std::make_error_code(error);
    }
    // The `n`th open (1-based, counted from now) waits until release().
    void blockOpen(int n) {
        std::lock_guard lock(mutex_);
        blockAt_ = opened_.size() + n;
    }
    // Waits until an open is blocked; false after `seconds`.
    bool waitUntilBlocked(double seconds = 10) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return blocked_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        blockAt_ = 0;
        changed_.notify_all();
    }
    void failListing(const std::filesystem::path& folder) {
        std::lock_guard lock(mutex_);
        unlistable_.insert(folder);
    }
    // The files opened for reading, in order.
    std::vector<std::filesystem::path> opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }

    std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& ec) const override {
        {
            std::lock_guard lock(mutex_);
            if (unlistable_.count(folder)) {
                ec = std::make_error_code(std::errc::permission_denied);
                return {};
            }
        }
        return local().listFolder(folder, ec);
    }
    std::optional<FileInfo> stat(const std::filesystem::path& path, std::error_code& ec) const override {
        return local().stat(path, ec);
    }
    std::unique_ptr<SequentialFile> openForReading(const std::filesystem::path& path, std::error_code& ec) const override {
        std::unique_lock lock(mutex_);
        opened_.push_back(path);
        if (opened_.size() == blockAt_) {
            blocked_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return blockAt_ == 0; });
            blocked_ = false;
        }
        if (opened_.size() == failAt_) {
            ec = error_;
            return nullptr;
        }
        lock.unlock();
        return local().openForReading(path, ec);
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable std::vector<std::filesystem::path> opened_;
    mutable bool blocked_ = false;
    std::size_t failAt_ = 0, blockAt_ = 0;
    std::error_code error_;
    std::set<std::filesystem::path> unlistable_;
};

}  // namespace talv::test
