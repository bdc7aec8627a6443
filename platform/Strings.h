#pragma once
// The string table: gettext with the English text as the message id, text domain "talvessa".
// Texts looked up with tr("...") are extracted into po/talvessa.pot by scripts/update-translations;
// a text kept in a table and looked up later is marked where it is written with N_("...").
// Thread-safe.
#include <filesystem>
#include <string>
#include <string_view>

namespace talv {

inline constexpr const char* kTextDomain = "talvessa";

// Points the text domain at a folder of <lang>/LC_MESSAGES/talvessa.mo catalogues. Call once
// at program start, after setlocale().
void bindStringTable(const std::filesystem::path& localeFolder);

// The translation of an English text, or the text itself when the table has none. With
// TALV_REPORT_UNTRANSLATED set in the environment, each text without a translation is named
// once on standard error ("Untranslated: <text>"), for translators and the translation tests.
std::string tr(std::string_view english);

// Marks a text for extraction where it is written; it is looked up later with tr().
constexpr const char* N_(const char* english) { return english; }

}  // namespace talv
