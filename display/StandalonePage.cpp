#include "display/StandalonePage.h"

#include "display/StyleBundle.h"
#include "platform/PrivateFiles.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "store/OrvaneExtras.h"

#include <glib.h>

#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::string uriEscaped(const fs::path& relative) {
    gchar* escaped = g_uri_escape_string(relative.generic_string().c_str(), "/", FALSE);
    std::string url = escaped ? escaped : "";
    g_free(escaped);
    return url;
}

// The local file of a file URL as the page writes it (HTML-escaped), else none.
std::optional<fs::path> fileOfURL(std::string url) {
    for (std::size_t at = url.find("&amp;"); at != std::string::npos; at = url.find("&amp;", at + 1))
        url.replace(at, 5, "&");
    gchar* file = g_filename_from_uri(url.c_str(), nullptr, nullptr);
    if (!file) return std::nullopt;
    fs::path path(file);
    g_free(file);
    return path;
}

// Replaces the URL of every `attribute` "file://..." in the page by what `rewrite` gives for its
// file; a URL it gives none for stays.
void rewriteFileURLs(std::string& page, std::string_view attribute,
                     const std::function<std::optional<std::string>(const fs::path&)>& rewrite) {
    const std::string opening = std::string(attribute) + "=\"file://";
    for (std::size_t at = page.find(opening); at != std::string::npos; at = page.find(opening, at + 1)) {
        const std::size_t start = at + attribute.size() + 2;
        const std::size_t end = page.find('"', start);
        if (end == std::string::npos) return;
        const auto file = fileOfURL(page.substr(start, end - start));
        const auto replacement = file ? rewrite(*file) : std::nullopt;
        if (replacement) page.replace(start, end - start, htmlEscapedString(*replacement));
    }
}

// Copies a file's bytes into a new file with the usual mode (the picture folder's files are the
// user's alone); false, with `error` set, when it cannot.
bool copyFile(const fs::path& from, const fs::path& to, std::string& error) {
    gchar* bytes = nullptr;
    gsize length = 0;
    GError* failure = nullptr;
    const bool copied = g_file_get_contents(from.c_str(), &bytes, &length, &failure) &&
                        g_file_set_contents(to.c_str(), bytes, static_cast<gssize>(length), &failure);
    g_free(bytes);
    if (copied) return true;
    error = formatString(tr("cannot copy the picture %@: %@"), {from.string(), std::string(failure->message)});
    g_error_free(failure);
    return false;
}

// `path` below `folder` (both absolute), as a path relative to it; none when it is not below.
std::optional<fs::path> below(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_normal().lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..") return std::nullopt;
    return relative;
}

}  // namespace

bool writeStandalonePage(std::string page, const fs::path& file, const fs::path& style, std::string_view title,
                         std::string& error) {
    const fs::path companion = file.parent_path() / (file.stem().string() + "_files");
    const auto bundle = StyleBundle::open(style);
    const fs::path resources =
        fs::absolute(bundle ? bundle->resourcePath() : style / "Contents" / "Resources").lexically_normal();
    const fs::path styleCopy = companion / style.filename();
    const std::optional<fs::path> pictures = privateTemporaryFolder();
    const std::string base = uriEscaped(fs::relative(styleCopy, file.parent_path().empty() ? "." : file.parent_path())) + "/";

    // Files of an earlier save are replaced; nothing else in the folder is touched.
    std::error_code ec;
    fs::create_directories(styleCopy, ec);
    if (!ec && fs::is_directory(resources))
        fs::copy(resources, styleCopy, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
        error = formatString(tr("cannot copy the style's resources into %@: %@"), {companion.string(), ec.message()});
        return false;
    }
    rewriteFileURLs(page, "<base href", [&](const fs::path&) -> std::optional<std::string> { return base; });
    // Sources are relative to the base, the style's copy; pictures sit one folder up.
    rewriteFileURLs(page, "src", [&](const fs::path& source) -> std::optional<std::string> {
        if (auto inStyle = below(source, resources)) return uriEscaped(*inStyle);
        const auto picture = pictures ? below(source, fs::absolute(*pictures).lexically_normal()) : std::nullopt;
        if (!picture || picture->has_parent_path() || picture->string().rfind("Tal", 0) != 0) return std::nullopt;
        if (!copyFile(source, companion / *picture, error)) return std::nullopt;
        return "../" + uriEscaped(*picture);
    });
    if (!error.empty()) return false;

    const std::string head = "<head>";
    const std::size_t headAt = page.find(head);
    page.insert(headAt == std::string::npos ? 0 : headAt + head.size(), "\n<title>" + htmlEscapedString(title) + "</title>");

    GError* writeError = nullptr;
    if (g_file_set_contents(file.c_str(), page.data(), static_cast<gssize>(page.size()), &writeError)) return true;
    error = formatString(tr("cannot write %@: %@"), {file.string(), std::string(writeError->message)});
    g_error_free(writeError);
    return false;
}

}  // namespace talv
