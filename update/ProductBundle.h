#pragma once
// A product whose updates are managed: a folder holding "Info.plist" (the application's is
// share/talvessa in the build and install trees) and the information values read from it.
#include "platform/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv::update {

class ProductBundle {
public:
    // None when path is not a folder. A missing or unreadable Info.plist gives no values.
    static std::optional<ProductBundle> atPath(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return path_; }
    // A text information value, or "" when absent or not a text.
    std::string infoString(std::string_view key) const;
    const Value* infoValue(std::string_view key) const;

    // "EnhancerModuleID" when it is a text, else "CFBundleIdentifier" ("" when neither).
    std::string updateDomain() const;
    // "CFBundleName" when not empty, else "CFBundleExecutable".
    std::string displayName() const;
    // "CFBundleVersion" when it holds a "." and is shorter than 8 characters, else
    // "CFBundleShortVersionString".
    std::string version() const;
    // "OrvaneBuildNumber" as a whole number, when the bundle has one.
    std::optional<std::int64_t> buildNumber() const;

    bool operator==(const ProductBundle& other) const { return path_ == other.path_; }

private:
    ProductBundle(std::filesystem::path path, Value::Dictionary info) : path_(std::move(path)), info_(std::move(info)) {}
    std::filesystem::path path_;
    Value::Dictionary info_;
};

}  // namespace talv::update
