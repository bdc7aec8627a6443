#pragma once
// A chat's duration as a clock reading ("%02d:%02d:%02d"; hours are not limited to two digits).
#include "platform/Value.h"

#include <cstdint>
#include <string>

namespace talv {

class TalvDurationTransformer {
public:
    static std::string durationString(std::int64_t seconds);
    // The clock reading of the value's integer value (a number, or a text read as an integer);
    // of 0 for anything else.
    std::string transformedValue(const Value& value) const;
};

}  // namespace talv
