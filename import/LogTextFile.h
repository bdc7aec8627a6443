#pragma once
// Decodes a log file's bytes to UTF-8 text. A byte-order mark selects UTF-8 (invalid bytes then
// become U+FFFD), UTF-16LE or UTF-16BE (the mark is dropped); text without one is UTF-8 when it
// is valid UTF-8, else Mac OS Roman, the 8-bit encoding the logs' Macs used. Thread-safe.
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class LogTextFile {
public:
    // None when the bytes are not text (undecodable UTF-16, or NUL bytes).
    static std::optional<std::string> decode(std::string_view bytes);
};

}  // namespace talv
