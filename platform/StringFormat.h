#pragma once
// Fills the printf-style formats of the string table ("%d chats, %@", "Scanning %@ transcript
// %d of %d...") with arguments: %@ and %s take text, %d %i %u %ld %lu %lld take integers,
// %f and %.Nf take reals, %% is a percent sign; "%1$@" picks an argument by position.
// A conversion without its argument, or of the wrong kind, is written as it stands.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace talv {

using FormatArgument = std::variant<std::string, std::int64_t, double>;

std::string formatString(std::string_view format, std::initializer_list<FormatArgument> arguments);

}  // namespace talv
