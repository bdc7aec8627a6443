#pragma once
// English texts of the status and event lines of Adium XML logs, looked up by key
// ("AdiumStatus_<type>", "AdiumStatusWithText_<type>", "AdiumEvent_<type>"), and the filling of
// their "%@" / "%1$@" placeholders. Thread-safe.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class AdiumStatusTexts {
public:
    // The format stored under `key`, or none for a type without a text.
    static std::optional<std::string_view> format(std::string_view key);
    // Replaces "%@" by the next argument, "%N$@" by argument N (1-based, empty when missing)
    // and "%%" by "%".
    static std::string fill(std::string_view format, std::initializer_list<std::string_view> arguments);
};

}  // namespace talv
