#pragma once
// What the identity cache answers for a participant handle. Fields carry the record's key names;
// an absent key is an empty optional (the empty handle's record has only a Name).
#include "platform/Value.h"

#include <optional>
#include <string>

namespace talv {

struct IdentityRecord {
    std::string Name = {};                    // display name
    std::optional<std::string> UUID = {};     // the person's identity (ABUUID)
    std::optional<std::string> IMHandle = {}; // the handle that was asked for
    std::optional<bool> IsMe = {};
    std::optional<Bytes> Picture = {};        // only where the source has one
    bool operator==(const IdentityRecord&) const = default;
};

}  // namespace talv
