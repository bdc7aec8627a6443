#pragma once
// Size and dates of a transcript item, symbolic links followed. An item is a regular file or a
// folder (a newer Adium ".chatlog" holds its log file and pictures): a folder's dates are the
// latest of its own and of the regular files directly inside it, since appending to the log
// inside does not touch the folder's own date, and its size is the sum of those files.
// AppleDouble companions ("._name") inside it do not count.
#include "platform/Date.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace talv {

struct TranscriptFileAttributes {
    std::uint64_t size = 0;
    Date modificationDate;
    // The later of the modification and status change dates: a file moved or copied in keeps an
    // old modification date, but its status changes then.
    Date changeDate;
};

// None with the reason in `ec` when the item cannot be examined, or is neither a regular file nor
// a folder (notRegularFileError()).
std::optional<TranscriptFileAttributes> transcriptFileAttributes(const std::filesystem::path& path,
                                                                 const FileSystem& fileSystem, std::error_code& ec);

// "._name": the AppleDouble companion that copies of Mac files carry; never a transcript.
bool isAppleDoubleName(std::string_view name);

// The last component of a slash-separated path, trailing slashes ignored ("" for "" or "/").
std::string lastPathComponent(std::string_view path);

}  // namespace talv
