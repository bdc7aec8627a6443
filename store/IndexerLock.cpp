#include "store/IndexerLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

namespace talv {

std::optional<IndexerLock> IndexerLock::tryAcquire(const std::filesystem::path& folder) {
    const int fd = ::open((folder / kFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return IndexerLock(-1);
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return IndexerLock(fd);
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    if (held) return std::nullopt;
    return IndexerLock(-1);  // a file system without locks
}

IndexerLock::~IndexerLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the flock
}

IndexerLock::IndexerLock(IndexerLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

IndexerLock& IndexerLock::operator=(IndexerLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

}  // namespace talv
