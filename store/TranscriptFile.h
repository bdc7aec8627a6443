#pragma once
// Size and modification date of a transcript item, following symbolic links. An item may be a
// folder (a newer Adium ".chatlog" holds its log file and pictures): its date is the newest of
// the folder's and of the files directly inside it, since appending to the log inside does not
// touch the folder's own date; its size is the sum of those files.
#include "platform/Date.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

struct TranscriptFileAttributes {
    std::uint64_t size = 0;
    Date modificationDate;
};

// None when the item cannot be examined.
std::optional<TranscriptFileAttributes> transcriptFileAttributes(const std::filesystem::path& path);

// The last component of a slash-separated path, trailing slashes ignored ("" for "" or "/").
std::string lastPathComponent(std::string_view path);

}  // namespace talv
