#pragma once
// Files the program writes for itself into the temporary folder, out of other users' reach:
// everything lives in the user's private folder "<temporary>/talvessa-<uid>" (mode 0700), and
// files are written with mode 0600. Thread-safe.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace talv {

// The private folder, made when absent. An existing one is used only when it is a real folder
// (not a link) owned by the user that others cannot enter; otherwise (a folder someone else made
// first) a fresh "talvessa-<uid>-XXXXXX" folder serves this process. None when neither can be made.
std::optional<std::filesystem::path> privateTemporaryFolder();

// A fresh folder "<prefix>XXXXXX" inside the private folder, for files nobody else may share;
// the caller removes it.
std::optional<std::filesystem::path> freshPrivateFolder(std::string_view prefix);

// Whether `file` is a regular file (not a link) owned by the user.
bool isOwnRegularFile(const std::filesystem::path& file);

// Writes `length` bytes to `file` (in a private folder) with mode 0600: a new file renamed into
// place, so that a reader never sees half of it. False when it could not be written.
bool writePrivateFile(const std::filesystem::path& file, const void* bytes, std::size_t length);

}  // namespace talv
