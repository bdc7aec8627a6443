#include "import/TranscriptWalk.h"

#include "store/TranscriptFile.h"

#include <algorithm>
#include <string>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool hasExtension(const fs::path& name, const std::vector<std::string_view>& extensions) {
    const std::string ext = name.extension().string();
    if (ext.size() < 2) return false;
    const std::string_view bare = std::string_view(ext).substr(1);
    return std::find(extensions.begin(), extensions.end(), bare) != extensions.end();
}

struct Entry {
    fs::path name;
    bool isFolder;  // a real folder, not a link to one
};

// The entries of one folder, by name. Unreadable folders hold none.
std::vector<Entry> sortedEntries(const fs::path& folder) {
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError) && !it->is_symlink(typeError);
        entries.push_back({it->path().filename(), isFolder});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

}  // namespace

TranscriptWalk::TranscriptWalk(fs::path folder, std::vector<std::string_view> extensions, Date threshold)
    : folder_(std::move(folder)), extensions_(std::move(extensions)), threshold_(threshold) {}

bool TranscriptWalk::walk(const fs::path& folder, const std::function<bool(const TranscriptFile&)>& visit) const {
    for (const Entry& entry : sortedEntries(folder)) {
        const fs::path path = folder / entry.name;
        if (hasExtension(entry.name, extensions_)) {
            // A bundle's contents are part of the bundle, never transcripts of their own.
            if (auto attributes = transcriptFileAttributes(path); attributes && !visit({path, attributes->modificationDate}))
                return false;
        } else if (entry.isFolder && !walk(path, visit)) {
            return false;
        }
    }
    return true;
}

TranscriptSurvey TranscriptWalk::survey(const std::function<void(const TranscriptFile&)>& taken) const {
    TranscriptSurvey survey;
    walk(folder_, [&](const TranscriptFile& file) {
        survey.newest = std::max(survey.newest, file.modified);
        if (file.modified > threshold_) {
            ++survey.taken;
            if (taken) taken(file);
        }
        return true;
    });
    return survey;
}

bool TranscriptWalk::forEachTaken(const std::function<bool(const TranscriptFile&)>& read) const {
    return walk(folder_, [&](const TranscriptFile& file) { return file.modified <= threshold_ || read(file); });
}

}  // namespace talv
