#pragma once
// Handle comparison ignoring letter case (Unicode case folding), as handles are searched.
#include <string_view>

namespace talv {

bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace talv
