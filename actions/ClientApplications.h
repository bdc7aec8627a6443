#pragma once
// Opening a transcript in the client that wrote it. The clients are named as the chat's kind
// names them ("iChat", "Adium", "Fire", and "Safari" for Adium's HTML logs); the user default
// "ChatClientApplications" maps a name to a desktop application (a dictionary of name to desktop
// file ID, such as {"Adium": "pidgin.desktop"}). Without an entry, "Safari" is the default web
// browser and any other name the default application for the file's type. Main thread.
#include "platform/UserDefaults.h"

#include <optional>
#include <string>

namespace talv {

inline constexpr const char* kChatClientApplicationsKey = "ChatClientApplications";

// "iChat" for no kind and for iChat, "Safari" for an Adium chat in an ".html" file, "Adium" for
// another Adium chat, "Fire" for Fire (kinds and the extension compared ignoring case); none for
// any other kind, which opens nothing.
std::optional<std::string> clientApplicationName(const std::optional<std::string>& kind, const std::string& path);

// Opens the file with the client `name` stands for. The empty text when it was started, else the
// message for the user (no such application, none for the file's type, it did not start).
[[nodiscard]] std::string openInClient(const std::string& path, const std::string& name, const UserDefaults& defaults);

}  // namespace talv
