#pragma once
// Text as the commands print it: JSON string literals, and table cells that keep to one line.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv::cli {

// `text` as a JSON string literal, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);
// A JSON array of string literals.
std::string jsonStringArray(const std::vector<std::string>& texts);

// `text` for one cell of a terminal line: line breaks, tabs and other control characters
// (terminal escape sequences among them) become blanks; bytes that are not UTF-8 become U+FFFD.
std::string singleLine(std::string_view text);

// Columns `text` takes on a terminal: two for wide (East Asian) characters, none for combining
// marks and other zero-width characters, one for any other.
std::size_t displayWidth(std::string_view text);

// Rows of cells as lines, each column padded to its widest cell (in terminal columns) and
// columns separated by two blanks; lines carry no trailing blanks. With a `width`, the widest
// columns are narrowed one column at a time until a line fits (none below 4 columns, or its
// widest cell); a cell longer than its column is cut and ends in "…".
std::string alignedColumns(const std::vector<std::vector<std::string>>& rows,
                           std::optional<std::size_t> width = std::nullopt);

}  // namespace talv::cli
