#pragma once
// Pictures written for the page to show into the user's private temporary folder (see
// platform/PrivateFiles.h): inline pictures "Tal-<content hash>-<file name>" and sender pictures
// "Tal_UserIcon_<UUID>.png". A file is written once (mode 0600, atomically, so that a reader never
// sees half of it) and reused as long as it exists. Decoding and conversion go through GdkPixbuf,
// limited to common picture types and to kMaxPicturePixels. Thread-safe.
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

// Pictures larger than this are refused before they are decoded.
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;

// Size and format of image bytes; none when they do not decode as a PNG, JPEG, GIF, TIFF, BMP,
// ICO or WebP picture of at most kMaxPicturePixels.
std::optional<PictureInfo> inspectPicture(const Bytes& data);

// The size a thumbnail is shown at: a side above 128 scales the picture so that its longer side
// is 128, each side rounded down; smaller pictures keep their natural size.
PictureSize thumbnailSize(PictureSize natural);

// Whether the web view shows pictures of this format as they are.
bool webViewShowsFormat(std::string_view format);

// A stored file name made safe as one path component inside the temporary folder: every "/" and
// NUL becomes "_".
std::string fileNameComponent(std::string_view storedName);

// The file the page shows for an inline picture: "Tal-<hash>-<name>" holding the stored bytes, or,
// for a format the web view cannot show, "Tal-<hash>-<name>.png" holding the picture as PNG. The
// hash is of the bytes, so a picture ID that a re-indexed chat reuses never shows an old file.
// Written when absent; a failed write is not reported. None when there is no private folder.
std::optional<std::filesystem::path> writeInlinePictureForDisplay(std::string_view storedName, const Bytes& data,
                                                                  const PictureInfo& info);

// The sender picture "Tal_UserIcon_<UUID>.png" (":" and "/" removed from the UUID), written as
// PNG from `picture` when absent. None when the file does not exist and cannot be made (no UUID,
// no picture, bytes that do not decode, a failed write).
std::optional<std::filesystem::path> userIconFile(std::string_view uuid, const Bytes* picture);

}  // namespace talv
