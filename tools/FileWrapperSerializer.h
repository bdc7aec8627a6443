#pragma once
// The serialized "rtfd" form of a file wrapper, as attachments archive it: named entries for the
// preferred name (legacy and UTF-8) and the contents ("."), or one entry per child.
#include "platform/AttributedString.h"

#include <string>

namespace talv::tools {

std::string serializeFileWrapper(const FileWrapper& wrapper);

}  // namespace talv::tools
