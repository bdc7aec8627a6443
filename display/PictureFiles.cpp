#include "display/PictureFiles.h"

#include "platform/Paths.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cmath>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {
namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct DecodedPicture {
    GObjectPtr<GdkPixbufLoader> loader;  // owns the pixbuf
    GdkPixbuf* pixbuf = nullptr;
    std::string format;
};

std::optional<DecodedPicture> decode(const Bytes& data) {
    if (data.empty()) return std::nullopt;
    DecodedPicture decoded;
    decoded.loader.reset(gdk_pixbuf_loader_new());
    GdkPixbufLoader* loader = decoded.loader.get();
    bool written = gdk_pixbuf_loader_write(loader, data.data(), data.size(), nullptr);
    bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    if (!written || !closed) return std::nullopt;
    decoded.pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (!decoded.pixbuf) return std::nullopt;
    if (GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader)) {
        gchar* name = gdk_pixbuf_format_get_name(format);
        decoded.format = name ? name : "";
        g_free(name);
    }
    return decoded;
}

bool fileExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool writeAtomically(const fs::path& path, const void* bytes, std::size_t length) {
    return g_file_set_contents(path.c_str(), static_cast<const gchar*>(bytes), static_cast<gssize>(length), nullptr);
}

bool writePNG(GdkPixbuf* pixbuf, const fs::path& path) {
    gchar* buffer = nullptr;
    gsize length = 0;
    if (!gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &length, "png", nullptr, nullptr)) return false;
    bool ok = writeAtomically(path, buffer, length);
    g_free(buffer);
    return ok;
}

}  // namespace

std::optional<PictureInfo> inspectPicture(const Bytes& data) {
    auto decoded = decode(data);
    if (!decoded) return std::nullopt;
    return PictureInfo{gdk_pixbuf_get_width(decoded->pixbuf), gdk_pixbuf_get_height(decoded->pixbuf), decoded->format};
}

PictureSize thumbnailSize(PictureSize natural) {
    constexpr double kLimit = 128;
    if (natural.width <= kLimit && natural.height <= kLimit) return natural;
    double scale = kLimit / std::max(natural.width, natural.height);
    return {static_cast<int>(std::floor(natural.width * scale)), static_cast<int>(std::floor(natural.height * scale))};
}

bool webViewShowsFormat(std::string_view format) {
    for (std::string_view shown : {"png", "jpeg", "gif", "bmp", "ico", "webp", "svg"})
        if (format == shown) return true;
    return false;
}

std::string fileNameComponent(std::string_view storedName) {
    std::string name(storedName);
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    return name;
}

fs::path writeInlinePictureForDisplay(std::int64_t pictureID, std::string_view storedName, const Bytes& data,
                                      const PictureInfo& info) {
    std::string name = "Tal-" + std::to_string(pictureID) + "-" + fileNameComponent(storedName);
    bool asIs = webViewShowsFormat(info.format);
    if (!asIs) name += ".png";
    fs::path file = Paths::temporary() / name;
    if (fileExists(file)) return file;
    if (asIs) {
        writeAtomically(file, data.data(), data.size());
    } else if (auto decoded = decode(data)) {
        writePNG(decoded->pixbuf, file);
    }
    return file;
}

std::optional<fs::path> userIconFile(std::string_view uuid, const Bytes* picture) {
    std::string name;
    for (char c : uuid)
        if (c != ':' && c != '/' && c != '\0') name += c;
    if (name.empty()) return std::nullopt;
    fs::path file = Paths::temporary() / ("Tal_UserIcon_" + name + ".png");
    if (fileExists(file)) return file;
    if (!picture) return std::nullopt;
    auto decoded = decode(*picture);
    if (!decoded || !writePNG(decoded->pixbuf, file)) return std::nullopt;
    return file;
}

}  // namespace talv
