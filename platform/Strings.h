#pragma once
// The string table: gettext with the English text as the message id, text domain "talvessa".
// Thread-safe.
#include <filesystem>
#include <string>
#include <string_view>

namespace talv {

inline constexpr const char* kTextDomain = "talvessa";

// Points the text domain at a folder of <lang>/LC_MESSAGES/talvessa.mo catalogues. Call once
// at program start, after setlocale().
void bindStringTable(const std::filesystem::path& localeFolder);

// The translation of an English text, or the text itself when the table has none.
std::string tr(std::string_view english);

}  // namespace talv
