#include "display/PictureFiles.h"

#include "platform/Log.h"
#include "platform/PrivateFiles.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr std::size_t kHashLength = 32;     // hex digits of SHA-256 in a file name: 128 bits
constexpr std::size_t kMaxNameBytes = 160;  // with the prefix, well within a file name's 255 bytes

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

// The GdkPixbuf loader of a common picture type, told by the bytes' signature; none for any
// other type, so that the rarely used loaders never see transcript data.
const char* loaderForSignature(const Bytes& data) {
    auto startsWith = [&](std::string_view signature, std::size_t at = 0) {
        return data.size() >= at + signature.size() &&
               std::equal(signature.begin(), signature.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                          [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    };
    using namespace std::string_view_literals;
    if (startsWith("\x89PNG\r\n\x1a\n"sv)) return "png";
    if (startsWith("\xff\xd8\xff"sv)) return "jpeg";
    if (startsWith("GIF87a"sv) || startsWith("GIF89a"sv)) return "gif";
    if (startsWith("II*\0"sv) || startsWith("MM\0*"sv)) return "tiff";
    if (startsWith("BM"sv)) return "bmp";
    if (startsWith("\0\0\1\0"sv)) return "ico";
    if (startsWith("RIFF"sv) && startsWith("WEBP"sv, 8)) return "webp";
    return nullptr;
}

// Refuses, before any pixel is decoded, a picture whose size is absurd: a loader told a size of
// 0 by 0 stops (GdkPixbuf's own convention for reading only the size).
void refuseAbsurdSize(GdkPixbufLoader* loader, gint width, gint height, gpointer refused) {
    if (static_cast<std::int64_t>(width) * height <= kMaxPicturePixels) return;
    *static_cast<bool*>(refused) = true;
    logf("A picture of {} by {} pixels is not shown", width, height);
    gdk_pixbuf_loader_set_size(loader, 0, 0);
}

std::optional<DecodedPicture> decode(const Bytes& data) {
    const char* type = loaderForSignature(data);
    if (!type) return std::nullopt;
    DecodedPicture decoded;
    decoded.loader.reset(gdk_pixbuf_loader_new_with_type(type, nullptr));
    GdkPixbufLoader* loader = decoded.loader.get();
    if (!loader) return std::nullopt;  // the loader is not installed
    bool refused = false;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(refuseAbsurdSize), &refused);
    bool written = gdk_pixbuf_loader_write(loader, data.data(), data.size(), nullptr);
    bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    if (!written || !closed || refused) return std::nullopt;
    decoded.pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (!decoded.pixbuf) return std::nullopt;
    if (GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader)) {
        gchar* name = gdk_pixbuf_format_get_name(format);
        decoded.format = name ? name : "";
        g_free(name);
    }
    return decoded;
}

bool writePNG(GdkPixbuf* pixbuf, const fs::path& path) {
    gchar* buffer = nullptr;
    gsize length = 0;
    if (!gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &length, "png", nullptr, nullptr)) return false;
    bool ok = writePrivateFile(path, buffer, length);
    g_free(buffer);
    return ok;
}

// A stored name as the last part of a file name: one path component, at most kMaxNameBytes bytes
// (the end is kept, with the extension), cut at a character boundary.
std::string nameComponent(std::string_view storedName) {
    std::string name = fileNameComponent(storedName);
    if (name.size() <= kMaxNameBytes) return name;
    std::size_t from = name.size() - kMaxNameBytes;
    while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80) ++from;
    return name.substr(from);
}

std::string contentHash(const Bytes& data) {
    gchar* digest = g_compute_checksum_for_data(G_CHECKSUM_SHA256, data.data(), data.size());
    std::string hash(digest, kHashLength);
    g_free(digest);
    return hash;
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

std::optional<fs::path> writeInlinePictureForDisplay(std::string_view storedName, const Bytes& data,
                                                     const PictureInfo& info) {
    auto folder = privateTemporaryFolder();
    if (!folder) return std::nullopt;
    std::string name = "Tal-" + contentHash(data) + "-" + nameComponent(storedName);
    bool asIs = webViewShowsFormat(info.format);
    if (!asIs) name += ".png";
    fs::path file = *folder / name;
    if (isOwnRegularFile(file)) return file;
    // A failed write is not reported: the page still shows the anchor, which opens the viewer.
    if (asIs) (void)writePrivateFile(file, data.data(), data.size());
    else if (auto decoded = decode(data)) (void)writePNG(decoded->pixbuf, file);
    return file;
}

std::optional<fs::path> userIconFile(std::string_view uuid, const Bytes* picture) {
    std::string name;
    for (char c : uuid)
        if (c != ':' && c != '/' && c != '\0') name += c;
    if (name.empty()) return std::nullopt;
    auto folder = privateTemporaryFolder();
    if (!folder) return std::nullopt;
    fs::path file = *folder / ("Tal_UserIcon_" + nameComponent(name) + ".png");
    if (isOwnRegularFile(file)) return file;
    if (!picture) return std::nullopt;
    auto decoded = decode(*picture);
    if (!decoded || !writePNG(decoded->pixbuf, file)) return std::nullopt;
    return file;
}

}  // namespace talv
