#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace fs = std::filesystem;

namespace talv {
namespace {

class FileSystemCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "talv.filesystem"; }
    std::string message(int) const override { return "not a regular file"; }
};

std::error_code lastError() { return {errno, std::generic_category()}; }

Date dateOf(const struct statx_timestamp& t) {
    return Date{static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9};
}

class LocalFile : public SequentialFile {
public:
    explicit LocalFile(int fd) : fd_(fd) {}
    ~LocalFile() override { ::close(fd_); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    std::optional<std::size_t> read(std::span<char> buffer, std::error_code& ec) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) {
                ec = lastError();
                return std::nullopt;
            }
        }
    }

private:
    int fd_;
};

class LocalFileSystem : public FileSystem {
public:
    std::vector<FolderEntry> listFolder(const fs::path& folder, std::error_code& ec) const override {
        std::vector<FolderEntry> entries;
        ec.clear();
        // Incremented with an error code: a listing that fails part-way must not throw.
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            // From the listing's own entry types (no lstat per entry where the file system gives them).
            std::error_code typeError;
            const bool isFolder = it->is_directory(typeError) && !it->is_symlink(typeError);
            entries.push_back({it->path().filename().string(), isFolder});
        }
        return entries;
    }

    std::optional<FileInfo> stat(const fs::path& path, std::error_code& ec) const override {
        struct statx sx {};
        if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
            ec = lastError();
            return std::nullopt;
        }
        ec.clear();
        FileInfo info;
        info.type = S_ISREG(sx.stx_mode) ? FileType::Regular : S_ISDIR(sx.stx_mode) ? FileType::Folder : FileType::Other;
        info.size = sx.stx_size;
        info.modified = dateOf(sx.stx_mtime);
        info.statusChanged = dateOf(sx.stx_ctime);
        if (sx.stx_mask & STATX_BTIME) info.created = dateOf(sx.stx_btime);
        return info;
    }

    std::unique_ptr<SequentialFile> openForReading(const fs::path& path, std::error_code& ec) const override {
        // Non-blocking: opening a FIFO for reading would otherwise wait for a writer for ever.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            ec = lastError();
            return nullptr;
        }
        auto file = std::make_unique<LocalFile>(fd);
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ec = lastError();
            return nullptr;
        }
        if (!S_ISREG(st.st_mode)) {
            ec = notRegularFileError();
            return nullptr;
        }
        ec.clear();
        return file;
    }
};

}  // namespace

std::error_code notRegularFileError() {
    static const FileSystemCategory category;
    return {1, category};
}

const FileSystem& FileSystem::local() {
    static const LocalFileSystem fileSystem;
    return fileSystem;
}

std::optional<std::string> FileSystem::readFile(const fs::path& path, std::error_code& ec) const {
    auto file = openForReading(path, ec);
    if (!file) return std::nullopt;
    std::string contents;
    char buffer[64 * 1024];
    for (;;) {
        auto n = file->read(buffer, ec);
        if (!n) return std::nullopt;
        if (*n == 0) return contents;
        contents.append(buffer, *n);
    }
}

}  // namespace talv
