#include "import/TypedStreamUnarchiver.h"

#include <fmt/format.h>

#include <cstring>

namespace talv {
namespace {

constexpr std::uint8_t TagInteger2 = 0x81, TagInteger4 = 0x82, TagReal = 0x83, TagNew = 0x84, TagNil = 0x85,
                       TagEnd = 0x86, TagInteger8 = 0x87;
// Small numbers are one byte; the tags above and the reserved ones up to 0x91 are not numbers.
constexpr std::uint8_t FirstTag = 0x80, LastTag = 0x91;
// References count from the smallest one-byte number.
constexpr std::int64_t ReferenceBase = -110;

constexpr std::size_t MaxObjectDepth = 200;
constexpr int MaxTypeDepth = 32;
constexpr std::size_t MaxClassChain = 64;

int widthOf(char type) {
    switch (type) {
    case 'c': case 'C': case 'B': return 1;
    case 's': case 'S': return 2;
    case 'i': case 'I': case 'l': case 'L': return 4;
    default: return 8;
    }
}

}  // namespace

std::uint64_t TypedValue::asUnsigned() const {
    int width = widthOf(type);
    auto bits = static_cast<std::uint64_t>(integer);
    return width == 8 ? bits : bits & ((std::uint64_t{1} << (8 * width)) - 1);
}

struct TypedStreamUnarchiver::State {
    State(std::string_view bytes, const ArchiveClassRegistry& registry) : bytes(bytes), registry(registry) {}
    std::string_view bytes;
    const ArchiveClassRegistry& registry;
    std::size_t position = 0;
    bool bigEndian = false;
    std::vector<std::string> sharedStrings;
    // Objects, classes and C strings share one numbering.
    struct Entry {
        enum class Kind { Object, Class, CString };
        Entry(Kind kind, std::string name) : kind(kind), name(std::move(name)) {}
        Kind kind;
        std::string name;        // class name or C string
        std::int64_t superclass = -1;
        ObjectPtr object;
        bool decoding = false;
    };
    std::vector<Entry> table;
    std::vector<const std::string*> frames;  // class names of the objects being decoded
    std::size_t valueBudget = 0;             // bounds the work on values that take no bytes
    std::size_t copyBudget = 0;
};

TypedStreamUnarchiver::TypedStreamUnarchiver(std::string_view bytes, const ArchiveClassRegistry& registry)
    : state_(std::make_unique<State>(bytes, registry)) {
    state_->valueBudget = 4 * bytes.size() + 1024;
    state_->copyBudget = 16 * bytes.size() + (16u << 20);
}

TypedStreamUnarchiver::~TypedStreamUnarchiver() = default;

void TypedStreamUnarchiver::fail(const std::string& reason) const {
    throw ArchiveError(fmt::format("{} (at byte {})", reason, state_->position));
}

Unarchived TypedStreamUnarchiver::unarchive(std::string_view bytes, const ArchiveClassRegistry& registry,
                                            bool* consumedAll) {
    TypedStreamUnarchiver coder(bytes, registry);
    try {
        std::uint8_t version = coder.readByte();
        if ((version != 3 && version != 4) || coder.readByte() != 11) coder.fail("not a typedstream");
        if (bytes.size() < 13) coder.fail("truncated header");
        std::string_view signature = bytes.substr(2, 11);
        if (signature == "typedstream") {
            coder.state_->bigEndian = true;
        } else if (signature != "streamtyped") {
            coder.fail("not a typedstream");
        }
        coder.state_->position = 13;
        coder.readInteger();  // the writer's system version
        auto root = coder.decodeGroup("@");
        if (consumedAll) *consumedAll = coder.state_->position == bytes.size();
        return {root.front().object, {}};
    } catch (const ArchiveError& error) {
        return {nullptr, error.what()};
    }
}

std::uint8_t TypedStreamUnarchiver::peek() const {
    if (state_->position >= state_->bytes.size()) fail("truncated");
    return static_cast<std::uint8_t>(state_->bytes[state_->position]);
}

std::uint8_t TypedStreamUnarchiver::readByte() {
    std::uint8_t byte = peek();
    ++state_->position;
    return byte;
}

std::uint64_t TypedStreamUnarchiver::readRaw(int width) {
    State& s = *state_;
    if (s.bytes.size() - s.position < static_cast<std::size_t>(width)) fail("truncated number");
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        auto byte = static_cast<std::uint8_t>(s.bytes[s.position + (s.bigEndian ? i : width - 1 - i)]);
        value = (value << 8) | byte;
    }
    s.position += width;
    return value;
}

std::int64_t TypedStreamUnarchiver::readIntegerWithHead(std::uint8_t head) {
    if (head < FirstTag || head > LastTag) return static_cast<std::int8_t>(head);
    switch (head) {
    case TagInteger2: return static_cast<std::int16_t>(readRaw(2));
    case TagInteger4: return static_cast<std::int32_t>(readRaw(4));
    case TagInteger8: return static_cast<std::int64_t>(readRaw(8));
    default: fail(fmt::format("unexpected tag {:#04x} where a number belongs", head));
    }
}

std::int64_t TypedStreamUnarchiver::readInteger() { return readIntegerWithHead(readByte()); }

double TypedStreamUnarchiver::readReal(char type) {
    std::uint8_t head = readByte();
    if (head != TagReal) return static_cast<double>(readIntegerWithHead(head));
    if (type == 'f') {
        auto bits = static_cast<std::uint32_t>(readRaw(4));
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::uint64_t bits = readRaw(8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::size_t TypedStreamUnarchiver::referenceIndex(std::uint8_t head) {
    std::int64_t index = readIntegerWithHead(head) - ReferenceBase;
    if (index < 0) fail("negative reference");
    return static_cast<std::size_t>(index);
}

std::optional<std::string> TypedStreamUnarchiver::readUnsharedString() {
    std::uint8_t head = readByte();
    if (head == TagNil) return std::nullopt;
    std::int64_t length = readIntegerWithHead(head);
    State& s = *state_;
    if (length < 0 || static_cast<std::uint64_t>(length) > s.bytes.size() - s.position) fail("string length beyond the data");
    std::string text(s.bytes.substr(s.position, static_cast<std::size_t>(length)));
    s.position += static_cast<std::size_t>(length);
    return text;
}

std::optional<std::string> TypedStreamUnarchiver::readSharedString() {
    std::uint8_t head = readByte();
    if (head == TagNil) return std::nullopt;
    State& s = *state_;
    if (head == TagNew) {
        auto text = readUnsharedString();
        if (!text) fail("nil shared string");
        s.sharedStrings.push_back(*text);
        return text;
    }
    std::size_t index = referenceIndex(head);
    if (index >= s.sharedStrings.size()) fail(fmt::format("shared string {} not defined", index));
    return s.sharedStrings[index];
}

std::optional<std::string> TypedStreamUnarchiver::readCString() {
    std::uint8_t head = readByte();
    if (head == TagNil) return std::nullopt;
    State& s = *state_;
    if (head == TagNew) {
        auto text = readSharedString();
        if (!text) fail("nil C string");
        s.table.emplace_back(State::Entry::Kind::CString, *text);
        return text;
    }
    std::size_t index = referenceIndex(head);
    if (index >= s.table.size() || s.table[index].kind != State::Entry::Kind::CString) fail("bad C string reference");
    return s.table[index].name;
}

std::int64_t TypedStreamUnarchiver::readClass() {
    State& s = *state_;
    std::int64_t first = -1, previous = -1;
    // Each literal class is followed by its superclass, until nil or a known class.
    for (;;) {
        std::uint8_t head = readByte();
        std::int64_t index;
        bool literal = head == TagNew;
        if (head == TagNil) {
            break;
        } else if (literal) {
            auto name = readSharedString();
            if (!name) fail("class without a name");
            readInteger();  // class version
            index = static_cast<std::int64_t>(s.table.size());
            s.table.emplace_back(State::Entry::Kind::Class, *name);
        } else {
            std::size_t ref = referenceIndex(head);
            if (ref >= s.table.size() || s.table[ref].kind != State::Entry::Kind::Class) fail("bad class reference");
            index = static_cast<std::int64_t>(ref);
        }
        if (previous >= 0) s.table[static_cast<std::size_t>(previous)].superclass = index;
        if (first < 0) first = index;
        if (!literal) break;
        previous = index;
    }
    return first;
}

ObjectPtr TypedStreamUnarchiver::readObject() {
    State& s = *state_;
    std::uint8_t head = readByte();
    if (head == TagNil) return nullptr;
    if (head != TagNew) {
        std::size_t index = referenceIndex(head);
        if (index >= s.table.size() || s.table[index].kind != State::Entry::Kind::Object) fail("bad object reference");
        return s.table[index].object;  // null while that object is still being decoded
    }
    if (s.frames.size() >= MaxObjectDepth) fail("objects nested too deeply");

    std::size_t index = s.table.size();
    s.table.emplace_back(State::Entry::Kind::Object, std::string());
    s.table[index].decoding = true;
    std::int64_t classIndex = readClass();
    if (classIndex < 0) fail("object without a class");

    // The most specific class that is known, else the first known superclass.
    std::string className = s.table[static_cast<std::size_t>(classIndex)].name;
    const ArchiveClass* decoders = nullptr;
    std::size_t steps = 0;
    for (std::int64_t c = classIndex; c >= 0 && !decoders; c = s.table[static_cast<std::size_t>(c)].superclass) {
        if (++steps > MaxClassChain) fail("class chain too long");
        decoders = s.registry.find(s.table[static_cast<std::size_t>(c)].name);
    }

    s.frames.push_back(&className);
    ObjectPtr object = decoders && decoders->sequential ? decoders->sequential(*this) : std::make_shared<OpaqueObject>();
    while (!atObjectEnd()) decodeGroup();
    readByte();
    s.frames.pop_back();

    if (object) const_cast<ArchivedObject&>(*object).className_ = className;
    s.table[index].object = object;
    s.table[index].decoding = false;
    return object;
}

void TypedStreamUnarchiver::charge(std::size_t bytes) {
    if (bytes > state_->copyBudget) fail("archive expands beyond its limits");
    state_->copyBudget -= bytes;
}

const std::string& TypedStreamUnarchiver::className() const { return *state_->frames.back(); }

bool TypedStreamUnarchiver::atObjectEnd() const { return peek() == TagEnd; }

std::string TypedStreamUnarchiver::readGroupTypes() {
    auto types = readSharedString();
    if (!types || types->empty()) fail("group without types");
    return *types;
}

std::vector<TypedValue> TypedStreamUnarchiver::readValues(std::string_view types) {
    std::vector<TypedValue> values;
    while (!types.empty()) values.push_back(readValue(types, 0));
    return values;
}

std::vector<TypedValue> TypedStreamUnarchiver::decodeGroup() { return readValues(readGroupTypes()); }

std::vector<TypedValue> TypedStreamUnarchiver::decodeGroup(std::string_view types) {
    std::string found = readGroupTypes();
    if (found != types) fail(fmt::format("expected type \"{}\", found \"{}\"", types, found));
    return readValues(found);
}

ObjectPtr TypedStreamUnarchiver::decodeObject() { return decodeGroup("@").front().object; }

namespace {

// The length of the bracketed type at the start of `types` ("[...]" or "{...}"), or 0.
std::size_t bracketedLength(std::string_view types) {
    int depth = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i] == '[' || types[i] == '{') ++depth;
        if ((types[i] == ']' || types[i] == '}') && --depth == 0) return i + 1;
    }
    return 0;
}

}  // namespace

TypedValue TypedStreamUnarchiver::readValue(std::string_view& types, int depth) {
    State& s = *state_;
    if (depth > MaxTypeDepth) fail("types nested too deeply");
    if (s.valueBudget-- == 0) fail("too many values");
    TypedValue value;
    value.type = types.front();
    switch (value.type) {
    case '[': case '{': {
        std::size_t length = bracketedLength(types);
        if (length == 0) fail(fmt::format("unbalanced type \"{}\"", types));
        std::string_view inner = types.substr(1, length - 2);
        types.remove_prefix(length);
        if (value.type == '{') {
            std::size_t equals = inner.find('=');
            inner = equals == std::string_view::npos ? std::string_view() : inner.substr(equals + 1);
            while (!inner.empty()) value.elements.push_back(readValue(inner, depth + 1));
            return value;
        }
        std::size_t digits = 0;
        std::uint64_t count = 0;
        while (digits < inner.size() && digits < 10 && inner[digits] >= '0' && inner[digits] <= '9') {
            count = count * 10 + static_cast<std::uint64_t>(inner[digits++] - '0');
        }
        std::string_view elementType = inner.substr(digits);
        if (elementType.empty()) fail("array without element type");
        if (count > s.bytes.size() - s.position) fail("array longer than the data");
        if (elementType == "c" || elementType == "C") {
            value.text = std::string(s.bytes.substr(s.position, static_cast<std::size_t>(count)));
            s.position += static_cast<std::size_t>(count);
            return value;
        }
        for (std::uint64_t i = 0; i < count; ++i) {
            std::string_view element = elementType;
            value.elements.push_back(readValue(element, depth + 1));
            if (!element.empty()) fail("array element type holds more than one type");
        }
        return value;
    }
    default: break;
    }
    types.remove_prefix(1);
    switch (value.type) {
    case '@': value.object = readObject(); break;
    case '#': {
        std::int64_t index = readClass();
        if (index >= 0) value.text = s.table[static_cast<std::size_t>(index)].name;
        break;
    }
    case '*': value.text = readCString().value_or(""); break;
    case '+': value.text = readUnsharedString().value_or(""); break;
    case ':': case '%': value.text = readSharedString().value_or(""); break;
    case 'c': value.integer = static_cast<std::int8_t>(readByte()); break;
    case 'C': case 'B': value.integer = readByte(); break;
    case 's': case 'S': case 'i': case 'I': case 'l': case 'L': case 'q': case 'Q': value.integer = readInteger(); break;
    case 'f': case 'd': value.real = readReal(value.type); break;
    case '!': break;
    default: fail(fmt::format("unknown type code '{}'", value.type));
    }
    return value;
}

}  // namespace talv
