#include "import/SerializedFileWrapper.h"

#include <cstdint>
#include <vector>

namespace talv {
namespace {

constexpr int MaxDepth = 16;
constexpr std::uint32_t LongLengthMark = 0x80000000;

class Cursor {
public:
    explicit Cursor(std::string_view data) : data_(data) {}
    bool u32(std::uint32_t& value) {
        if (data_.size() - position_ < 4) return false;
        value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(data_[position_ + static_cast<std::size_t>(i)]);
        position_ += 4;
        return true;
    }
    bool bytes(std::size_t length, std::string_view& out) {
        if (data_.size() - position_ < length) return false;
        out = data_.substr(position_, length);
        position_ += length;
        return true;
    }
    std::size_t remaining() const { return data_.size() - position_; }

private:
    std::string_view data_;
    std::size_t position_ = 0;
};

// An entry body: a type word, then the length and the bytes; a marked length puts the real
// length and a padding count in the next two words, with the contents after the padding.
std::optional<std::string_view> entryContents(std::string_view body) {
    Cursor cursor(body);
    std::uint32_t type, length, padding;
    std::string_view contents, skipped;
    if (!cursor.u32(type) || !cursor.u32(length)) return std::nullopt;
    if (length == LongLengthMark) {
        if (!cursor.u32(length) || !cursor.u32(padding) || !cursor.bytes(padding, skipped)) return std::nullopt;
    }
    if (!cursor.bytes(length, contents)) return std::nullopt;
    return contents;
}

std::optional<FileWrapper> parse(std::string_view data, int depth) {
    if (data.substr(0, 4) != "rtfd") {
        return FileWrapper{FileWrapper::Kind::RegularFile, {}, Bytes(data.begin(), data.end()), {}};
    }
    if (depth > MaxDepth) return std::nullopt;
    Cursor cursor(data.substr(4));
    std::uint32_t zero, version, count;
    if (!cursor.u32(zero) || !cursor.u32(version) || !cursor.u32(count)) return std::nullopt;
    if (count > cursor.remaining() / 8) return std::nullopt;  // each entry needs a name length and a size

    std::vector<std::string_view> names(count);
    std::vector<std::uint32_t> sizes(count);
    for (auto& name : names) {
        std::uint32_t length;
        if (!cursor.u32(length) || !cursor.bytes(length, name)) return std::nullopt;
    }
    for (auto& size : sizes) {
        if (!cursor.u32(size)) return std::nullopt;
    }

    FileWrapper wrapper{FileWrapper::Kind::Directory, {}, {}, {}};
    std::optional<std::string_view> legacyName, utf8Name, dot, dotDot;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string_view body;
        if (!cursor.bytes(sizes[i], body)) return std::nullopt;
        auto contents = entryContents(body);
        if (!contents) return std::nullopt;
        if (names[i] == "__@PreferredName@__") {
            legacyName = contents;
        } else if (names[i] == "__@UTF8PreferredName@__") {
            utf8Name = contents;
        } else if (names[i] == ".") {
            dot = contents;
        } else if (names[i] == "..") {
            dotDot = contents;
        } else {
            auto child = parse(*contents, depth + 1);
            if (!child) return std::nullopt;
            if (child->preferredFilename.empty()) child->preferredFilename = names[i];
            wrapper.children.push_back(std::move(*child));
        }
    }
    if (auto file = dotDot ? dotDot : dot) {
        wrapper.kind = FileWrapper::Kind::RegularFile;
        wrapper.contents.assign(file->begin(), file->end());
        wrapper.children.clear();
    }
    if (auto name = utf8Name ? utf8Name : legacyName) wrapper.preferredFilename = *name;
    return wrapper;
}

}  // namespace

std::optional<FileWrapper> fileWrapperFromSerializedData(std::string_view data) { return parse(data, 0); }

}  // namespace talv
