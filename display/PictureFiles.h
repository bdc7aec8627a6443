#pragma once
// Pictures written into the user's temporary folder for the page to show: inline pictures
// "Tal-<ID>-<file name>" and sender pictures "Tal_UserIcon_<UUID>.png". A file is written once
// (atomically, so that a reader never sees half of it) and reused as long as it exists.
// Decoding and conversion go through GdkPixbuf. Thread-safe.
#include "platform/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

struct PictureInfo {
    int width = 0;
    int height = 0;
    std::string format;  // GdkPixbuf's format name: "png", "jpeg", "tiff"...
};

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

// Size and format of image bytes; none when they do not decode as an image.
std::optional<PictureInfo> inspectPicture(const Bytes& data);

// The size a thumbnail is shown at: a side above 128 scales the picture so that its longer side
// is 128, each side rounded down; smaller pictures keep their natural size.
PictureSize thumbnailSize(PictureSize natural);

// Whether the web view shows pictures of this format as they are.
bool webViewShowsFormat(std::string_view format);

// A stored file name made safe as one path component inside the temporary folder: every "/" and
// NUL becomes "_".
std::string fileNameComponent(std::string_view storedName);

// The file the page shows for an inline picture: "Tal-<ID>-<name>" holding the stored bytes, or,
// for a format the web view cannot show, "Tal-<ID>-<name>.png" holding the picture as PNG.
// Written when absent; a failed write is not reported (the path is still returned).
std::filesystem::path writeInlinePictureForDisplay(std::int64_t pictureID, std::string_view storedName,
                                                   const Bytes& data, const PictureInfo& info);

// The sender picture "Tal_UserIcon_<UUID>.png" (":" and "/" removed from the UUID), written as
// PNG from `picture` when absent. None when the file does not exist and cannot be made (no UUID,
// no picture, bytes that do not decode, a failed write).
std::optional<std::filesystem::path> userIconFile(std::string_view uuid, const Bytes* picture);

}  // namespace talv
