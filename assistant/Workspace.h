#pragma once
// Finding and opening applications through GIO (desktop files), as the assistant needs it.
// Main thread.
#include <optional>
#include <string>
#include <string_view>

namespace talv {

// The desktop file of the first installed desktop application whose name is `name`.
std::optional<std::string> fullPathForApplication(std::string_view name);

// Opens a path: a desktop file launches its application, an executable file is started (with
// no arguments), anything else opens in its default application. False, with a log line,
// when nothing could be started.
bool openFile(const std::string& path);

}  // namespace talv
