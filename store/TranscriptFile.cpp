#include "store/TranscriptFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace talv {
namespace {

Date modificationDate(const struct stat& st) {
    return Date{static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9};
}

}  // namespace

std::optional<TranscriptFileAttributes> transcriptFileAttributes(const std::filesystem::path& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (!S_ISDIR(st.st_mode)) return TranscriptFileAttributes{static_cast<std::uint64_t>(st.st_size), modificationDate(st)};

    TranscriptFileAttributes folder{0, modificationDate(st)};
    std::error_code ec;
    // Incremented with an error code: a listing that fails part-way must not throw.
    for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat inner{};
        if (::stat(it->path().c_str(), &inner) != 0 || !S_ISREG(inner.st_mode)) continue;
        folder.size += static_cast<std::uint64_t>(inner.st_size);
        folder.modificationDate = std::max(folder.modificationDate, modificationDate(inner));
    }
    return folder;
}

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace talv
