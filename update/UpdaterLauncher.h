#pragma once
// Starting the updater program for a product.
#include "update/ProductBundle.h"

#include <filesystem>
#include <optional>
#include <string>

namespace talv::update {

// "orvane-updater" beside the running program (install tree), else in an "updater" folder
// beside it or above it (build tree); none when not found.
std::optional<std::filesystem::path> findUpdaterExecutable();

// Starts `updater --bundle <bundle path> --prodID <domain>` as a process of its own that is
// not brought to the front, unless another start for the domain is under way: the lock file
// "<domain>.updater.lock" in the temporary folder is created exclusively for the start and
// deleted after it. Returns 0, or the errno of the temporary folder, of the lock file (EEXIST
// while another start holds it) or of its deletion. A missing updater or a failed launch is
// logged and does not change the result. On a launch, *launched receives the program's path
// and the domain's preferences are committed.
int startUpdater(const ProductBundle& bundle, const std::string& domain,
                 const std::optional<std::filesystem::path>& updater = findUpdaterExecutable(),
                 std::filesystem::path* launched = nullptr);

}  // namespace talv::update
