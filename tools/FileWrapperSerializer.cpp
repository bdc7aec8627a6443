#include "tools/FileWrapperSerializer.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace talv::tools {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An entry body: type 1, then the length and the bytes.
std::string body(std::string_view contents) {
    std::string out;
    appendU32(out, 1);
    appendU32(out, static_cast<std::uint32_t>(contents.size()));
    out += contents;
    return out;
}

}  // namespace

std::string serializeFileWrapper(const FileWrapper& wrapper) {
    std::vector<std::pair<std::string, std::string>> entries{{"__@PreferredName@__", body(wrapper.preferredFilename)},
                                                            {"__@UTF8PreferredName@__", body(wrapper.preferredFilename)}};
    if (wrapper.kind == FileWrapper::Kind::RegularFile) {
        entries.emplace_back(".", body(std::string(wrapper.contents.begin(), wrapper.contents.end())));
    } else {
        for (const FileWrapper& child : wrapper.children) entries.emplace_back(child.preferredFilename, body(serializeFileWrapper(child)));
    }
    std::string out = "rtfd";
    appendU32(out, 0);
    appendU32(out, 3);
    appendU32(out, static_cast<std::uint32_t>(entries.size()));
    for (const auto& entry : entries) {
        appendU32(out, static_cast<std::uint32_t>(entry.first.size()));
        out += entry.first;
    }
    for (const auto& entry : entries) appendU32(out, static_cast<std::uint32_t>(entry.second.size()));
    for (const auto& entry : entries) out += entry.second;
    return out;
}

}  // namespace talv::tools
