#pragma once
// The serialized form of a file wrapper that attachments archive (the "rtfd" blob): a table of
// named entries holding the preferred file name and either the file's contents or, for a
// directory, its children.
#include "platform/AttributedString.h"

#include <optional>
#include <string_view>

namespace talv {

// The wrapper that `data` serializes. Data that does not start with "rtfd" is the raw contents of
// a regular file. Malformed tables give none.
std::optional<FileWrapper> fileWrapperFromSerializedData(std::string_view data);

}  // namespace talv
