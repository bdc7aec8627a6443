#include "store/TranscriptFile.h"

#include <algorithm>

namespace talv {
namespace {

Date changeOf(const FileInfo& info) { return std::max(info.modified, info.statusChanged); }

}  // namespace

std::optional<TranscriptFileAttributes> transcriptFileAttributes(const std::filesystem::path& path,
                                                                 const FileSystem& fileSystem, std::error_code& ec) {
    const std::optional<FileInfo> info = fileSystem.stat(path, ec);
    if (!info) return std::nullopt;
    if (info->type == FileType::Other) {
        ec = notRegularFileError();
        return std::nullopt;
    }
    TranscriptFileAttributes attributes{info->size, info->modified, changeOf(*info)};
    if (info->type == FileType::Regular) return attributes;

    attributes.size = 0;
    for (const FolderEntry& entry : fileSystem.listFolder(path, ec)) {
        if (entry.isFolder || isAppleDoubleName(entry.name)) continue;
        std::error_code innerError;
        const std::optional<FileInfo> inner = fileSystem.stat(path / entry.name, innerError);
        if (!inner || inner->type != FileType::Regular) continue;
        attributes.size += inner->size;
        attributes.modificationDate = std::max(attributes.modificationDate, inner->modified);
        attributes.changeDate = std::max(attributes.changeDate, changeOf(*inner));
    }
    if (ec) return std::nullopt;
    return attributes;
}

bool isAppleDoubleName(std::string_view name) { return name.starts_with("._"); }

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace talv
