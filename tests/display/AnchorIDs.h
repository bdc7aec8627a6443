#pragma once
// Rendered markup with every anchor's UUID replaced by "ID", for comparing whole texts.
#include <regex>
#include <string>

namespace talv::test {

inline std::string withoutAnchorUUIDs(const std::string& html) {
    static const std::regex uuid("_(LINK|EMAIL|IMAGE|TEXT)-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    return std::regex_replace(html, uuid, "_$1-ID");
}

}  // namespace talv::test
