#pragma once
// Walking a client's log folder for transcript files newer than the folder's stored timestamp.
#include "platform/Date.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace talv {

// Files modified on or before this instant are never taken: 2001-01-01 00:00:00 UTC.
inline constexpr Date kTranscriptEpoch{kSecondsFrom1970To2001};

struct TranscriptFile {
    std::filesystem::path path;
    Date modified;
};

struct TranscriptWalk {
    std::vector<TranscriptFile> taken;  // later than the threshold, in walk order
    Date newest = kTranscriptEpoch;     // newest date of any matching file, at least the epoch
};

// Walks `folder` at every depth, in path order, for entries whose extension is exactly one of
// `extensions` (no dot, case compared exactly). Dates are those of transcriptFileAttributes (a
// ".chatlog" folder is as new as the log growing inside it). A missing folder is an empty walk.
TranscriptWalk walkTranscripts(const std::filesystem::path& folder,
                               const std::vector<std::string_view>& extensions, Date threshold);

}  // namespace talv
