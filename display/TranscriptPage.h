#pragma once
// Entry points for callers that render a page on their own (the command line, "Show HTML
// Source"): choosing a style and rendering one chat with connections of the calling thread.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

// The user's styles: "Styles" in the application's data folder.
std::filesystem::path userStylesDirectory();

// The style of the "CustomChatStyle" preference: the path itself when it exists, else the
// built-in style of the same name, else the built-in default style.
std::filesystem::path chooseStyle(const std::optional<std::string>& customChatStyle);

// A style given by path (an existing folder) or by name ("Compact" or "Compact.talStyle"),
// looked for among the user's styles, then the built-in ones. None when there is no such style.
std::optional<std::filesystem::path> findStyle(std::string_view nameOrPath);

// The names of the styles findStyle knows ("Compact" for "Compact.talStyle"): the user's, then
// the built-in ones not already named, each in name order.
std::vector<std::string> styleNames();

// The page of a chat (no ID: the page shown when no chat is selected) in `style`, read from the
// user's transcript store and identity cache; pictures are written into the temporary folder,
// where the page refers to them. None when a database cannot be opened or the chat not read.
std::optional<std::string> renderTranscriptPage(std::optional<std::int64_t> chatID, std::string_view searchText,
                                                const std::filesystem::path& style);

}  // namespace talv
