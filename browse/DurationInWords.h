#pragma once
// A total duration in words for the statistics line: "1.5 hours", "2.0 days", "1 minute, 1 second".
#include <cstdint>
#include <string>

namespace talv {

std::string durationInWords(std::int64_t seconds);

}  // namespace talv
