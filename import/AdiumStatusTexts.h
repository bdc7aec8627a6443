#pragma once
// The texts of the status and event lines of Adium XML logs, looked up by key
// ("AdiumStatus_<type>", "AdiumStatusWithText_<type>", "AdiumEvent_<type>"): formats whose "%@"
// (or "%1$@", "%2$@") take the sender, then the status text. Thread-safe.
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class AdiumStatusTexts {
public:
    // The format for `key` from the string table (its English text as the message id), or
    // none for a type without a text.
    static std::optional<std::string> format(std::string_view key);
};

}  // namespace talv
