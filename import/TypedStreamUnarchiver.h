#pragma once
// Decoder of typedstreams, the sequential archives of "NSArchiver" (".chat" transcripts), in
// either byte order. Objects are numbered as they appear so back-references resolve; a reference
// to an object still being decoded reads as nil. Groups an object's class does not read are
// decoded and dropped, so unknown classes are skipped without losing the numbering. Damaged input
// gives a failure reason, never a crash; counts are checked against the bytes left, nesting is
// limited.
#include "import/ArchivedObject.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

// One value of a group. `type` is its type character ('@', 'i', '+', '[', '{', ...).
struct TypedValue {
    char type = 0;
    std::int64_t integer = 0;        // c C B s S i I l L q Q, read as signed
    double real = 0;                 // f d
    ObjectPtr object;                // @
    std::string text;                // + * : #(class name), and the bytes of [Nc] arrays
    std::vector<TypedValue> elements;  // other arrays and structs

    // The integer reinterpreted at the width of its type, as unsigned.
    std::uint64_t asUnsigned() const;
};

class TypedStreamUnarchiver {
public:
    // Decodes the first object of the stream. `consumedAll`, when given, tells whether the
    // root object ended exactly at the end of the bytes.
    static Unarchived unarchive(std::string_view bytes, const ArchiveClassRegistry& registry,
                                bool* consumedAll = nullptr);

    // For class decoders, inside the object being decoded.
    const std::string& className() const;
    // The next group, whatever its types.
    std::vector<TypedValue> decodeGroup();
    // The next group, which must have exactly these types.
    std::vector<TypedValue> decodeGroup(std::string_view types);
    // The next group, which must be one object.
    ObjectPtr decodeObject();
    // True when the object being decoded has no further groups.
    bool atObjectEnd() const;
    [[noreturn]] void fail(const std::string& reason) const;
    // Counts memory that decoding copies (texts shared by many objects, attribute values); fails
    // once the total passes a limit proportional to the archive's size.
    void charge(std::size_t bytes);

    ~TypedStreamUnarchiver();

private:
    struct State;
    explicit TypedStreamUnarchiver(std::string_view bytes, const ArchiveClassRegistry& registry);

    std::uint8_t peek() const;
    std::uint8_t readByte();
    std::uint64_t readRaw(int width);
    std::int64_t readInteger();
    std::int64_t readIntegerWithHead(std::uint8_t head);
    double readReal(char type);
    std::optional<std::string> readUnsharedString();
    std::optional<std::string> readSharedString();
    std::optional<std::string> readCString();
    std::int64_t readClass();
    ObjectPtr readObject();
    std::size_t referenceIndex(std::uint8_t head);
    std::string readGroupTypes();
    std::vector<TypedValue> readValues(std::string_view types);
    TypedValue readValue(std::string_view& types, int depth);

    std::unique_ptr<State> state_;
};

}  // namespace talv
