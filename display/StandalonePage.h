#pragma once
// A rendered page saved to stand alone. The page refers to the style's resources and to the
// pictures in the private temporary folder by absolute file URLs, which a removed build folder or
// a cleaned temporary folder breaks; the saved page refers to copies beside it instead.
#include <filesystem>
#include <string>
#include <string_view>

namespace talv {

// Writes `page`, rendered in `style`, to `file` with `title` as its title. The style's resources
// and the pictures the page shows go into the folder "<file's stem>_files" beside it (files of an
// earlier save replaced), and the page's base and picture sources become relative URLs into that
// folder. Other file URLs (links in messages) stay as they are. The page is written whole or not
// at all. False, with `error` set, when something cannot be written.
bool writeStandalonePage(std::string page, const std::filesystem::path& file, const std::filesystem::path& style,
                         std::string_view title, std::string& error);

}  // namespace talv
