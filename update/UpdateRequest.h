#pragma once
// The update server's request: "/goto/update/2/<uuid>/<product>/<version>/<system>/<model>/
// <system file system>/<user file system>/" under the server's address.
#include "update/ProductBundle.h"

#include <filesystem>
#include <string>

namespace talv::update {

struct UpdateRequestFields {
    std::string installationID;
    std::string productID;
    std::string version;
    std::string systemVersion;
    std::string hardwareModel;
    std::string systemFileSystem;
    std::string userFileSystem;
};

// The fields of this installation and system for a product.
UpdateRequestFields currentRequestFields(const ProductBundle& bundle, const std::string& productID);

// The request URL: every field percent-escaped as one path segment.
std::string updateRequestURL(const std::string& serverURL, const UpdateRequestFields& fields);

// The server address from the updater's preferences ("UpdateServerURL"), without a trailing "/".
std::string updateServerURL();

// "UUID" of "orvane.softwareupdate", made and kept on first use; "UNKNOWN" when it cannot be kept.
std::string installationUUID();

// The product's version for the server: its version, then "_" and its build number when it has one.
std::string requestVersion(const ProductBundle& bundle);

// "<type name>-<type number>" and ",Xx" when the file system is case-sensitive;
// "UNKNOWN_TYPE-1" when the folder's file system cannot be examined.
std::string fileSystemDescription(const std::filesystem::path& folder);

}  // namespace talv::update
