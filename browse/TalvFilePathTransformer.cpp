#include "browse/TalvFilePathTransformer.h"

#include <gio/gio.h>

#include <memory>

namespace talv {
namespace {

struct ObjectDeleter {
    void operator()(gpointer p) const { g_object_unref(p); }
};

std::string lastPathComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

}  // namespace

std::string TalvFilePathTransformer::transformedValue(const Value& path) const {
    const std::string* text = path.asText();
    if (!text || text->empty()) return {};
    std::unique_ptr<GFile, ObjectDeleter> file(g_file_new_for_path(text->c_str()));
    std::unique_ptr<GFileInfo, ObjectDeleter> info(g_file_query_info(
        file.get(), G_FILE_ATTRIBUTE_STANDARD_DISPLAY_NAME, G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (info) {
        const char* name = g_file_info_get_display_name(info.get());
        if (name && *name) return name;
    }
    return lastPathComponent(*text);
}

}  // namespace talv
