#include "display/TranscriptPage.h"

#include "display/StyleBundle.h"
#include "display/TalTemplatizer.h"
#include "identity/TalvCacheDatabase.h"
#include "platform/Paths.h"
#include "store/TalvDatabase.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

fs::path userStylesDirectory() { return Paths::applicationSupport() / "Styles"; }

fs::path chooseStyle(const std::optional<std::string>& customChatStyle) {
    if (!customChatStyle) return defaultStylePath();
    fs::path chosen(*customChatStyle);
    std::error_code ec;
    if (fs::exists(chosen, ec)) return chosen;
    fs::path builtIn = builtInStylesDirectory() / (chosen.stem().string() + ".talStyle");
    return fs::exists(builtIn, ec) ? builtIn : defaultStylePath();
}

std::optional<fs::path> findStyle(std::string_view nameOrPath) {
    fs::path given(nameOrPath);
    if (given.empty()) return std::nullopt;
    if (isFolder(given)) return given;
    if (given.has_parent_path()) return std::nullopt;
    std::string name = given.extension() == ".talStyle" ? given.string() : given.string() + ".talStyle";
    for (const fs::path& folder : {userStylesDirectory(), builtInStylesDirectory()})
        if (isFolder(folder / name)) return folder / name;
    return std::nullopt;
}

std::vector<std::string> styleNames() {
    std::vector<std::string> names;
    for (const fs::path& folder : {userStylesDirectory(), builtInStylesDirectory()}) {
        std::vector<std::string> here;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const fs::path& path = entry.path();
            const std::string name = path.stem().string();
            if (path.extension() == ".talStyle" && isFolder(path) &&
                std::find(names.begin(), names.end(), name) == names.end())
                here.push_back(name);
        }
        std::sort(here.begin(), here.end());
        names.insert(names.end(), here.begin(), here.end());
    }
    return names;
}

std::optional<std::string> renderTranscriptPage(std::optional<std::int64_t> chatID, std::string_view searchText,
                                                const fs::path& style) {
    auto db = TalvDatabase::open();
    auto cacheDatabase = TalvCacheDatabase::open();
    if (!db || !cacheDatabase) return std::nullopt;
    return TalTemplatizer(style).renderChat(chatID, *db, *cacheDatabase, searchText);
}

}  // namespace talv
