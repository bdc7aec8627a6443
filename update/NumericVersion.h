#pragma once
// Version texts and numbers as the update check compares them.
#include "platform/Value.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace talv::update {

// The 32-bit numeric form of a version text of at most 10 characters: one or two digits of
// major version, "." and one digit of minor version, optionally "." and one digit of patch,
// then optionally a stage letter ("d", "a", "b") and a revision of 0 to 255. A final
// release (no letter) ranks above every stage. Any other text gives 0.
std::uint32_t numericVersion(std::string_view text);

// A whole number read from a number or from the leading digits of a text (as the
// platform's intValue); none otherwise.
std::optional<std::int64_t> integerValue(const Value& value);

}  // namespace talv::update
