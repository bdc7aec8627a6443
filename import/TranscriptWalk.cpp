#include "import/TranscriptWalk.h"

#include "store/TranscriptFile.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool hasExtension(const fs::path& path, const std::vector<std::string_view>& extensions) {
    const std::string ext = path.extension().string();
    if (ext.size() < 2) return false;
    const std::string_view bare = std::string_view(ext).substr(1);
    return std::find(extensions.begin(), extensions.end(), bare) != extensions.end();
}

}  // namespace

TranscriptWalk walkTranscripts(const fs::path& folder, const std::vector<std::string_view>& extensions,
                               Date threshold) {
    TranscriptWalk walk;
    std::vector<fs::path> matches;
    std::error_code ec;
    // Folder links are not followed, as the clients never write them and they can form cycles.
    const auto options = fs::directory_options::skip_permission_denied;
    fs::recursive_directory_iterator it(folder, options, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!hasExtension(it->path(), extensions)) continue;
        matches.push_back(it->path());
        // A bundle's contents are part of the bundle, never transcripts of their own.
        std::error_code dirEc;
        if (it->is_directory(dirEc)) it.disable_recursion_pending();
    }
    std::sort(matches.begin(), matches.end());
    for (auto& path : matches) {
        auto attributes = transcriptFileAttributes(path);
        if (!attributes) continue;
        const Date modified = attributes->modificationDate;
        walk.newest = std::max(walk.newest, modified);
        if (modified > threshold) walk.taken.push_back({std::move(path), modified});
    }
    return walk;
}

}  // namespace talv
