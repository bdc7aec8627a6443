#include "display/StyleBundle.h"

#include "display/ApplicationResources.h"
#include "store/OrvaneExtras.h"

#include <glib.h>

#include <cmath>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {

std::optional<StyleBundle> StyleBundle::open(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) return std::nullopt;
    Value info = Value::Dictionary{};
    gchar* contents = nullptr;
    gsize length = 0;
    if (g_file_get_contents((path / "Contents" / "Info.plist").c_str(), &contents, &length, nullptr)) {
        if (auto parsed = Value::fromPlist(std::string_view(contents, length)); parsed && parsed->asDictionary())
            info = std::move(*parsed);
        g_free(contents);
    }
    return StyleBundle(path, std::move(info));
}

std::optional<fs::path> StyleBundle::pathForResource(std::string_view name, std::string_view type,
                                                     std::string_view subfolder) const {
    fs::path file = resourcePath();
    if (!subfolder.empty()) file /= subfolder;
    file /= type.empty() ? std::string(name) : std::string(name) + "." + std::string(type);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    return file;
}

std::string StyleBundle::resourceText(std::string_view fileName, std::string_view subfolder) const {
    fs::path file = resourcePath();
    if (!subfolder.empty()) file /= subfolder;
    return stringWithContentsOfUTF8File(file / fileName).value_or("");
}

std::optional<std::string> StyleBundle::defaultFontFamily() const {
    const Value* family = info_.find("DefaultFontFamily");
    if (!family || !family->asText()) return std::nullopt;
    return *family->asText();
}

std::optional<int> StyleBundle::defaultFontSize() const {
    const Value* size = info_.find("DefaultFontSize");
    if (!size) return std::nullopt;
    if (size->asInteger()) return static_cast<int>(*size->asInteger());
    if (size->asReal() && std::isfinite(*size->asReal())) return static_cast<int>(*size->asReal());
    return std::nullopt;
}

fs::path builtInStylesDirectory() { return applicationResourcesDirectory() / "Chat Transcript Templates"; }

fs::path defaultStylePath() { return builtInStylesDirectory() / "Default.talStyle"; }

}  // namespace talv
