#pragma once
// Decoder of keyed archives ("NSKeyedArchiver" object graphs in a binary or XML property list,
// parsed by libplist). Objects are decoded on demand from `$top` and memoised by their index, so
// shared objects stay shared; a reference back to an object still being decoded reads as nil, and
// one to an object whose decoding failed fails again.
// Damaged input of any kind gives a failure reason, never a crash; nesting is limited.
#include "import/ArchivedObject.h"
#include "platform/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class KeyedUnarchiver {
public:
    // Decodes the object named topKey in `$top`.
    static Unarchived unarchive(std::string_view bytes, const ArchiveClassRegistry& registry,
                                std::string_view topKey = "root");

    // For class decoders, about the object being decoded. Values of the wrong kind raise
    // ArchiveError; absent keys give null, nullopt or an empty list.
    const std::string& className() const;
    bool containsValue(std::string_view key) const;
    ObjectPtr decodeObject(std::string_view key);
    // The next object encoded without a key ("$0", "$1", ...).
    ObjectPtr decodeObject();
    std::vector<ObjectPtr> decodeObjects(std::string_view key);  // a plain array of references
    std::optional<std::int64_t> decodeInteger(std::string_view key);
    std::optional<double> decodeReal(std::string_view key);
    std::optional<Bytes> decodeBytes(std::string_view key);
    std::optional<std::string> decodeText(std::string_view key);
    [[noreturn]] void fail(const std::string& reason) const;
    // Counts memory that decoding copies (texts shared by many objects, attribute values); fails
    // once the total passes a limit proportional to the archive's size.
    void charge(std::size_t bytes);

    ~KeyedUnarchiver();

private:
    struct State;
    explicit KeyedUnarchiver(const ArchiveClassRegistry& registry);
    ObjectPtr objectAt(std::uint64_t index);
    ObjectPtr decodeObjectAt(std::uint64_t index);
    ObjectPtr decodeClassObject(void* node, std::uint64_t index);
    void* valueFor(std::string_view key) const;

    std::unique_ptr<State> state_;
};

}  // namespace talv
