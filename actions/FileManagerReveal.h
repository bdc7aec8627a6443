#pragma once
// Showing a transcript file selected in the file manager: org.freedesktop.FileManager1.ShowItems
// on the session bus, else its folder opened with the default application for folders.
#include <functional>
#include <string>

namespace talv {

// Receives the empty text when the file (or its folder) was shown, else the message for the user.
using RevealDone = std::function<void(const std::string& message)>;

// Asks without waiting; `done` runs once, on the calling thread's main context as it runs, also
// when the bus answers late: whatever it captures must still be valid then or be guarded.
void revealInFileManager(const std::string& path, RevealDone done);

}  // namespace talv
