#pragma once
// Walking a client's log folder for transcript files changed since the folder's stored timestamp.
// A walk holds one folder's entry names at a time, never the whole tree, so its memory does not
// grow with the archive; a pass counts its files with one walk and reads them in a second.
#include "platform/Date.h"
#include "platform/FileSystem.h"
#include "store/TranscriptFile.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace talv {

// The default threshold of a folder: 2001-01-01 00:00:00 UTC.
inline constexpr Date kTranscriptEpoch{kSecondsFrom1970To2001};

// One transcript as the walk found it, examined before it is read.
struct TranscriptFile {
    std::filesystem::path path;
    // The folder decision compares its change date; the size and modification date are stored
    // with its chat, to tell a changed file at a later pass.
    TranscriptFileAttributes attributes;
};

struct TranscriptSurvey {
    std::size_t taken = 0;           // files changed after the threshold
    Date newest = kTranscriptEpoch;  // latest change of any matching file, at least the epoch
    bool complete = true;            // every folder could be listed and every transcript examined
};

struct TranscriptWalkEnd {
    bool stopped = false;   // the caller stopped the walk
    bool complete = true;   // as in TranscriptSurvey
};

// The transcripts below `folder`: entries at every depth whose extension is exactly one of
// `extensions` (no dot, case compared exactly), in path order. A ".chatlog" folder (a bundle) is
// one transcript and is not entered (transcriptFileAttributes gives its size and dates); other
// folders are walked whatever their names. Only regular files and such folders are transcripts (never a FIFO or a device);
// AppleDouble companions ("._name") are never taken; folder links are not followed. A missing
// folder holds none; one that cannot be listed makes the walk incomplete (logged by the survey).
class TranscriptWalk {
public:
    TranscriptWalk(const FileSystem& fileSystem, std::filesystem::path folder, std::vector<std::string_view> extensions,
                   Date threshold);

    // Counts the files changed after the threshold, calling `taken` for each, in order.
    TranscriptSurvey survey(const std::function<void(const TranscriptFile&)>& taken = {}) const;
    // Calls `read` for each file changed after the threshold, in order, until it returns false.
    TranscriptWalkEnd forEachTaken(const std::function<bool(const TranscriptFile&)>& read) const;

private:
    struct Walking;
    // Visits every transcript below `folder`; false when `visit` stopped the walk.
    bool walk(const std::filesystem::path& folder, Walking& walking) const;
    std::optional<TranscriptFile> examine(const std::filesystem::path& path, Walking& walking) const;

    const FileSystem& fileSystem_;
    std::filesystem::path folder_;
    std::vector<std::string_view> extensions_;
    Date threshold_;
};

}  // namespace talv
