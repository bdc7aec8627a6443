#pragma once
// The anchors of a rendered message body. Every anchor's id is its kind's prefix and a fresh
// UUID, so ids are unique within a page and change at every render.
#include "display/PictureFiles.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace talv {

inline constexpr std::string_view kLinkAnchorPrefix = "_LINK-";
inline constexpr std::string_view kEmailAnchorPrefix = "_EMAIL-";
inline constexpr std::string_view kImageAnchorPrefix = "_IMAGE-";
inline constexpr std::string_view kTextAnchorPrefix = "_TEXT-";

// Links and e-mail addresses of an escaped message text made into "_LINK-" and "_EMAIL-"
// anchors. Only http, https and ftp links and those starting with "www." become anchors; a link
// of any other scheme stays text. A link without "://" gets "http://" in front of its target, not
// of its text. An address that is part of a link stays in the link.
std::string anchorLinksAndEmails(std::string_view escapedText);

// The "_IMAGE-" anchor of an inline picture: a thumbnail of `shown` size that opens
// "talvimage://<ID>".
std::string pictureAnchor(std::int64_t pictureID, std::string_view pictureFileURL, PictureSize shown);

// Every case-insensitive occurrence of `escapedSearch` in `body` wrapped in a "_TEXT-" anchor,
// keeping its own case; occurrences inside a tag or inside a character reference stay as they are.
std::string markSearchText(std::string_view body, std::string_view escapedSearch);

}  // namespace talv
