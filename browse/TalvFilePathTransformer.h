#pragma once
// A file path as the file's display name; the path's last component when the file system has no
// display name for it (the file is gone); the empty text for anything else.
#include "platform/Value.h"

#include <string>

namespace talv {

class TalvFilePathTransformer {
public:
    std::string transformedValue(const Value& path) const;
};

}  // namespace talv
