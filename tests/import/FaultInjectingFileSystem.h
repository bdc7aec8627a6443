#pragma once
// The machine's file system with faults put in on purpose: the Nth file opened for reading fails,
// blocks until released, or runs a hook once it has been read; chosen folders cannot be listed.
// Records every file opened.
#include "platform/FileSystem.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <utility>

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
    // Runs `hook` when the `n`th file opened (1-based, counted from now) has been read to its end.
    void afterReading(int n, std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        hookAt_ = opened_.size() + n;
        hook_ = std::move(hook);
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
        std::function<void()> hook;
        if (opened_.size() == hookAt_) hook = std::move(hook_);
        lock.unlock();
        auto file = local().openForReading(path, ec);
        if (!file || !hook) return file;
        return std::make_unique<HookedFile>(std::move(file), std::move(hook));
    }

private:
    // Calls its hook once, when a read finds the end of the file.
    class HookedFile : public SequentialFile {
    public:
        HookedFile(std::unique_ptr<SequentialFile> file, std::function<void()> hook)
            : file_(std::move(file)), hook_(std::move(hook)) {}
        std::optional<std::size_t> read(std::span<char> buffer, std::error_code& ec) override {
            auto n = file_->read(buffer, ec);
            if (n == std::size_t{0} && hook_) std::exchange(hook_, nullptr)();
            return n;
        }

    private:
        std::unique_ptr<SequentialFile> file_;
        std::function<void()> hook_;
    };

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable std::vector<std::filesystem::path> opened_;
    mutable bool blocked_ = false;
    std::size_t failAt_ = 0, blockAt_ = 0, hookAt_ = 0;
    mutable std::function<void()> hook_;
    std::error_code error_;
    std::set<std::filesystem::path> unlistable_;
};

}  // namespace talv::test
