#include "import/TranscriptWalk.h"

#include "platform/Log.h"

#include <algorithm>
#include <string>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr std::string_view kBundleExtension = ".chatlog";

bool hasExtension(const std::string& name, const std::vector<std::string_view>& extensions) {
    const std::string ext = fs::path(name).extension().string();
    if (ext.size() < 2) return false;
    const std::string_view bare = std::string_view(ext).substr(1);
    return std::find(extensions.begin(), extensions.end(), bare) != extensions.end();
}

}  // namespace

struct TranscriptWalk::Walking {
    std::function<bool(const TranscriptFile&)> visit;
    bool logFailures = false;
    bool complete = true;

    void failed(const fs::path& path, const std::error_code& ec) {
        complete = false;
        if (logFailures) logf("Cannot examine {}: {}", path.string(), ec.message());
    }
};

TranscriptWalk::TranscriptWalk(const FileSystem& fileSystem, fs::path folder, std::vector<std::string_view> extensions,
                               Date threshold)
    : fileSystem_(fileSystem), folder_(std::move(folder)), extensions_(std::move(extensions)), threshold_(threshold) {}

std::optional<TranscriptFile> TranscriptWalk::examine(const fs::path& path, Walking& walking) const {
    std::error_code ec;
    auto attributes = transcriptFileAttributes(path, fileSystem_, ec);
    if (attributes) return TranscriptFile{path, *attributes};
    // A link to nothing, a FIFO or a device is no transcript; anything else that cannot be
    // examined may be one.
    if (ec != std::errc::no_such_file_or_directory && ec != notRegularFileError()) walking.failed(path, ec);
    return std::nullopt;
}

bool TranscriptWalk::walk(const fs::path& folder, Walking& walking) const {
    std::error_code ec;
    std::vector<FolderEntry> entries = fileSystem_.listFolder(folder, ec);
    if (ec && !(folder == folder_ && ec == std::errc::no_such_file_or_directory)) walking.failed(folder, ec);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
        if (isAppleDoubleName(entry.name)) continue;
        const fs::path path = folder / entry.name;
        // Only a ".chatlog" folder is a transcript; its contents belong to it. Any other folder is
        // walked, whatever its name.
        if (hasExtension(entry.name, extensions_) && (!entry.isFolder || path.extension() == kBundleExtension)) {
            if (auto file = examine(path, walking); file && !walking.visit(*file)) return false;
        } else if (entry.isFolder && !walk(path, walking)) {
            return false;
        }
    }
    return true;
}

TranscriptSurvey TranscriptWalk::survey(const std::function<void(const TranscriptFile&)>& taken) const {
    TranscriptSurvey survey;
    Walking walking{[&](const TranscriptFile& file) {
                        survey.newest = std::max(survey.newest, file.attributes.changeDate);
                        if (file.attributes.changeDate > threshold_) {
                            ++survey.taken;
                            if (taken) taken(file);
                        }
                        return true;
                    },
                    true};
    walk(folder_, walking);
    survey.complete = walking.complete;
    return survey;
}

TranscriptWalkEnd TranscriptWalk::forEachTaken(const std::function<bool(const TranscriptFile&)>& read) const {
    Walking walking{[&](const TranscriptFile& file) { return file.attributes.changeDate <= threshold_ || read(file); }};
    const bool finished = walk(folder_, walking);
    return {!finished, walking.complete};
}

}  // namespace talv
