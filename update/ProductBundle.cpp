#include "update/ProductBundle.h"

#include "update/NumericVersion.h"

#include <glib.h>

#include <memory>

namespace fs = std::filesystem;

namespace talv::update {
std::optional<ProductBundle> ProductBundle::atPath(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) return std::nullopt;
    Value::Dictionary info;
    gchar* contents = nullptr;
    gsize length = 0;
    if (g_file_get_contents((path / "Info.plist").c_str(), &contents, &length, nullptr)) {
        std::unique_ptr<gchar, decltype(&g_free)> owner(contents, g_free);
        if (auto plist = Value::fromPlist(std::string_view(contents, length)); plist && plist->asDictionary())
            info = *plist->asDictionary();
    }
    return ProductBundle(fs::absolute(path, ec).lexically_normal(), std::move(info));
}

const Value* ProductBundle::infoValue(std::string_view key) const {
    auto it = info_.find(key);
    return it == info_.end() ? nullptr : &it->second;
}

std::string ProductBundle::infoString(std::string_view key) const {
    const Value* v = infoValue(key);
    return v && v->asText() ? *v->asText() : std::string();
}

std::string ProductBundle::updateDomain() const {
    if (const Value* v = infoValue("EnhancerModuleID"); v && v->asText()) return *v->asText();
    return infoString("CFBundleIdentifier");
}

std::string ProductBundle::displayName() const {
    std::string name = infoString("CFBundleName");
    return name.empty() ? infoString("CFBundleExecutable") : name;
}

std::string ProductBundle::version() const {
    std::string bundleVersion = infoString("CFBundleVersion");
    if (bundleVersion.find('.') != std::string::npos && bundleVersion.size() < 8) return bundleVersion;
    return infoString("CFBundleShortVersionString");
}

std::optional<std::int64_t> ProductBundle::buildNumber() const {
    const Value* v = infoValue("OrvaneBuildNumber");
    return v ? integerValue(*v) : std::nullopt;
}

}  // namespace talv::update
