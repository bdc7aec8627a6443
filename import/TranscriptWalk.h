#pragma once
// Walking a client's log folder for transcript files newer than the folder's stored timestamp.
// A walk holds one folder's entry names at a time, never the whole tree, so its memory does not
// grow with the archive; a pass counts its files with one walk and reads them in a second.
#include "platform/Date.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace talv {

// Files modified on or before this instant are never taken: 2001-01-01 00:00:00 UTC.
inline constexpr Date kTranscriptEpoch{kSecondsFrom1970To2001};

struct TranscriptFile {
    std::filesystem::path path;
    Date modified;
};

struct TranscriptSurvey {
    std::size_t taken = 0;           // files later than the threshold
    Date newest = kTranscriptEpoch;  // newest date of any matching file, at least the epoch
};

// The transcripts below `folder`: entries at every depth whose extension is exactly one of
// `extensions` (no dot, case compared exactly), in path order. A matching folder (a ".chatlog"
// bundle) is one transcript and is not entered; folder links are not followed. Dates are those of
// transcriptFileAttributes (a ".chatlog" folder is as new as the log growing inside it). A missing
// folder holds none.
class TranscriptWalk {
public:
    TranscriptWalk(std::filesystem::path folder, std::vector<std::string_view> extensions, Date threshold);

    // Counts the files later than the threshold, calling `taken` for each, in order.
    TranscriptSurvey survey(const std::function<void(const TranscriptFile&)>& taken = {}) const;
    // Calls `read` for each file later than the threshold, in order, until it returns false.
    // False when stopped that way.
    bool forEachTaken(const std::function<bool(const TranscriptFile&)>& read) const;

private:
    // Calls `visit` for every transcript with its date, until it returns false.
    bool walk(const std::filesystem::path& folder, const std::function<bool(const TranscriptFile&)>& visit) const;

    std::filesystem::path folder_;
    std::vector<std::string_view> extensions_;
    Date threshold_;
};

}  // namespace talv
