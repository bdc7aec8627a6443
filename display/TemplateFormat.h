#pragma once
// Fills a format text whose placeholders are object placeholders: "%@" takes the next argument,
// "%N$@" argument N (from 1), "%%" is one percent sign. Any other "%" is copied as it stands, and
// a placeholder without an argument becomes the empty text.
#include <span>
#include <string>
#include <string_view>

namespace talv {

std::string formatWithObjects(std::string_view format, std::span<const std::string> arguments);

}  // namespace talv
