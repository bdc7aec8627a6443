#pragma once
// A message style: a folder "NAME.talStyle" laid out as a bundle, with Contents/Info.plist and
// the fragments, icons and style sheets in Contents/Resources.
#include "platform/Value.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class StyleBundle {
public:
    // None when `path` is not a folder. A missing or unreadable Info.plist gives an empty one.
    static std::optional<StyleBundle> open(const std::filesystem::path& path);

    const std::filesystem::path& bundlePath() const { return path_; }
    std::filesystem::path resourcePath() const { return path_ / "Contents" / "Resources"; }
    // The information list (a dictionary, possibly empty).
    const Value& infoDictionary() const { return info_; }

    // The path of "NAME.TYPE" in the resource folder or its `subfolder`, when that file exists.
    std::optional<std::filesystem::path> pathForResource(std::string_view name, std::string_view type,
                                                         std::string_view subfolder = {}) const;
    // A resource file's text read as UTF-8; the empty text when missing, unreadable or not UTF-8.
    std::string resourceText(std::string_view fileName, std::string_view subfolder = {}) const;

    // "DefaultFontFamily" and the integer value of "DefaultFontSize", when the style sets them.
    std::optional<std::string> defaultFontFamily() const;
    std::optional<int> defaultFontSize() const;

private:
    StyleBundle(std::filesystem::path path, Value info) : path_(std::move(path)), info_(std::move(info)) {}

    std::filesystem::path path_;
    Value info_;
};

// The built-in styles' folder, "Chat Transcript Templates" among the application's resources.
std::filesystem::path builtInStylesDirectory();
// "Default.talStyle" there.
std::filesystem::path defaultStylePath();

}  // namespace talv
