#pragma once
// Walking a client's log folder for transcript files newer than the folder's stored timestamp.
#include "platform/Date.h"

#include <filesystem>
#include <initializer_list>
#include <optional>
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

// The modification date a scan compares, following symbolic links. For a folder (an Adium
// ".chatlog" bundle, whose log inside grows without touching the folder) it is the newest of
// the folder's own date and the dates of the files directly inside it. None when it cannot be read.
std::optional<Date> transcriptModificationDate(const std::filesystem::path& path);

// Walks `folder` at every depth, in path order, for entries whose extension is exactly one of
// `extensions` (no dot, case compared exactly). A missing folder is an empty walk.
TranscriptWalk walkTranscripts(const std::filesystem::path& folder,
                               std::initializer_list<std::string_view> extensions, Date threshold);

}  // namespace talv
