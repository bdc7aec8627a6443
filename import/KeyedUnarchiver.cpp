#include "import/KeyedUnarchiver.h"

#include "import/FoundationArchiveClasses.h"

#include <plist/plist.h>

#include <fmt/format.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace talv {
namespace {

// Deep enough for any rich text; shallow enough for the stack under sanitizers.
constexpr int MaxDepth = 200;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};

// A reference: a UID node in binary archives, or {"CF$UID": n} where a parser keeps the XML form.
std::optional<std::uint64_t> uidOf(plist_t node) {
    if (!node) return std::nullopt;
    if (plist_get_node_type(node) == PLIST_UID) {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return value;
    }
    if (plist_get_node_type(node) == PLIST_DICT && plist_dict_get_size(node) == 1) {
        plist_t inner = plist_dict_get_item(node, "CF$UID");
        if (inner && plist_get_node_type(inner) == PLIST_UINT) {
            uint64_t value = 0;
            plist_get_uint_val(inner, &value);
            return value;
        }
    }
    return std::nullopt;
}

// The items of an array in one walk: libplist finds a parsed array's item by index by walking its list.
std::vector<plist_t> arrayItems(plist_t array) {
    std::vector<plist_t> items;
    items.reserve(plist_array_get_size(array));
    plist_array_iter raw = nullptr;
    plist_array_new_iter(array, &raw);
    const std::unique_ptr<void, decltype(&std::free)> iter(raw, &std::free);
    for (plist_t item = nullptr;;) {
        plist_array_next_item(array, raw, &item);
        if (!item) return items;
        items.push_back(item);
    }
}

std::string stringOf(plist_t node) {
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text ? std::string(text, length) : std::string();
}

}  // namespace

struct KeyedUnarchiver::State {
    const ArchiveClassRegistry& registry;
    std::unique_ptr<void, PlistDeleter> plist;
    // The nodes of "$objects" by index.
    std::vector<plist_t> objects;
    std::vector<ObjectPtr> decoded;
    enum class Progress : std::uint8_t { NotStarted, Decoding, Done, Failed };
    std::vector<Progress> progress;
    struct Frame {
        plist_t node;
        const std::string* className;
        int nextSequential = 0;
    };
    std::vector<Frame> frames;  // the objects being decoded, innermost last
    std::size_t copyBudget = 0;
};

KeyedUnarchiver::KeyedUnarchiver(const ArchiveClassRegistry& registry)
    : state_(std::make_unique<State>(State{registry, nullptr, {}, {}, {}, {}})) {}

KeyedUnarchiver::~KeyedUnarchiver() = default;

void KeyedUnarchiver::fail(const std::string& reason) const { throw ArchiveError(reason); }

Unarchived KeyedUnarchiver::unarchive(std::string_view bytes, const ArchiveClassRegistry& registry,
                                      std::string_view topKey) {
    KeyedUnarchiver coder(registry);
    try {
        if (bytes.size() > std::numeric_limits<uint32_t>::max()) coder.fail("archive too large");
        plist_t root = nullptr;
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
        coder.state_->plist.reset(root);
        coder.state_->copyBudget = 16 * bytes.size() + (16u << 20);
        if (!root || plist_get_node_type(root) != PLIST_DICT) coder.fail("not a property list archive");
        plist_t objects = plist_dict_get_item(root, "$objects");
        plist_t top = plist_dict_get_item(root, "$top");
        if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top || plist_get_node_type(top) != PLIST_DICT) {
            coder.fail("archive has no $objects or $top");
        }
        coder.state_->objects = arrayItems(objects);
        const std::size_t count = coder.state_->objects.size();
        coder.state_->decoded.resize(count);
        coder.state_->progress.resize(count, State::Progress::NotStarted);
        auto uid = uidOf(plist_dict_get_item(top, std::string(topKey).c_str()));
        if (!uid) coder.fail(fmt::format("archive has no top-level object \"{}\"", topKey));
        return {coder.objectAt(*uid), {}};
    } catch (const ArchiveError& error) {
        return {nullptr, error.what()};
    }
}

ObjectPtr KeyedUnarchiver::objectAt(std::uint64_t index) {
    State& s = *state_;
    if (index == 0) return nullptr;
    if (index >= s.decoded.size()) fail(fmt::format("reference {} beyond {} objects", index, s.decoded.size()));
    switch (s.progress[index]) {
    case State::Progress::Done: return s.decoded[index];
    case State::Progress::Decoding: return nullptr;  // a cycle: the object is not finished yet
    case State::Progress::Failed: fail(fmt::format("object {} is damaged", index));
    case State::Progress::NotStarted: break;
    }
    if (s.frames.size() >= MaxDepth) fail("objects nested too deeply");

    s.progress[index] = State::Progress::Decoding;
    try {
        s.decoded[index] = decodeObjectAt(index);
    } catch (const ArchiveError&) {
        // Every other reference to it fails as well, rather than reading as nil.
        s.progress[index] = State::Progress::Failed;
        throw;
    }
    s.progress[index] = State::Progress::Done;
    return s.decoded[index];
}

ObjectPtr KeyedUnarchiver::decodeObjectAt(std::uint64_t index) {
    State& s = *state_;
    plist_t node = s.objects[index];
    ObjectPtr object;
    std::string className;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        std::string text = stringOf(node);
        if (text != "$null") object = std::make_shared<ArchivedString>(toUtf16(text)), className = "NSString";
        break;
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        object = std::make_shared<ArchivedNumber>(value != 0), className = "NSNumber";
        break;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        object = std::make_shared<ArchivedNumber>(static_cast<std::int64_t>(value)), className = "NSNumber";
        break;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        object = std::make_shared<ArchivedNumber>(value), className = "NSNumber";
        break;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* data = plist_get_data_ptr(node, &length);
        auto bytes = reinterpret_cast<const std::uint8_t*>(data);
        object = std::make_shared<ArchivedData>(Bytes(bytes, bytes + (data ? length : 0))), className = "NSData";
        break;
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        object = std::make_shared<ArchivedDate>(Date::fromReferenceDate(seconds + microseconds / 1e6));
        className = "NSDate";
        break;
    }
    case PLIST_DICT: object = decodeClassObject(node, index); break;
    default: fail(fmt::format("object {} is neither a value nor an object record", index));
    }
    if (object && !className.empty()) const_cast<ArchivedObject&>(*object).className_ = className;
    return object;
}

ObjectPtr KeyedUnarchiver::decodeClassObject(void* node, std::uint64_t index) {
    State& s = *state_;
    auto classUid = uidOf(plist_dict_get_item(node, "$class"));
    if (!classUid || *classUid == 0 || *classUid >= s.decoded.size()) fail(fmt::format("object {} has no class", index));
    plist_t record = s.objects[*classUid];
    plist_t nameNode = plist_get_node_type(record) == PLIST_DICT ? plist_dict_get_item(record, "$classname") : nullptr;
    if (!nameNode || plist_get_node_type(nameNode) != PLIST_STRING) fail(fmt::format("object {} has no class name", index));
    std::string className = stringOf(nameNode);

    // The most specific class that is known, else the first known ancestor.
    const ArchiveClass* decoders = s.registry.find(className);
    plist_t ancestors = plist_dict_get_item(record, "$classes");
    if (!decoders && ancestors && plist_get_node_type(ancestors) == PLIST_ARRAY) {
        for (uint32_t i = 0; !decoders && i < plist_array_get_size(ancestors); ++i) {
            plist_t ancestor = plist_array_get_item(ancestors, i);
            if (plist_get_node_type(ancestor) == PLIST_STRING) decoders = s.registry.find(stringOf(ancestor));
        }
    }

    ObjectPtr object;
    if (decoders && decoders->keyed) {
        // Popped also when the decoder raises, so that a class decoder that catches a damaged
        // part of its object goes on reading its own keys.
        s.frames.push_back({node, &className});
        const std::unique_ptr<std::vector<State::Frame>, void (*)(std::vector<State::Frame>*)> pop(
            &s.frames, [](std::vector<State::Frame>* frames) { frames->pop_back(); });
        object = decoders->keyed(*this);
    } else {
        object = std::make_shared<OpaqueObject>();
    }
    if (object) const_cast<ArchivedObject&>(*object).className_ = className;
    return object;
}

void KeyedUnarchiver::charge(std::size_t bytes) {
    if (bytes > state_->copyBudget) fail("archive expands beyond its limits");
    state_->copyBudget -= bytes;
}

const std::string& KeyedUnarchiver::className() const { return *state_->frames.back().className; }

void* KeyedUnarchiver::valueFor(std::string_view key) const {
    return plist_dict_get_item(state_->frames.back().node, std::string(key).c_str());
}

bool KeyedUnarchiver::containsValue(std::string_view key) const { return valueFor(key) != nullptr; }

ObjectPtr KeyedUnarchiver::decodeObject(std::string_view key) {
    plist_t value = valueFor(key);
    if (!value) return nullptr;
    auto uid = uidOf(value);
    if (!uid) fail(fmt::format("{}: value for \"{}\" is not an object reference", className(), key));
    return objectAt(*uid);
}

ObjectPtr KeyedUnarchiver::decodeObject() {
    return decodeObject(fmt::format("${}", state_->frames.back().nextSequential++));
}

std::vector<ObjectPtr> KeyedUnarchiver::decodeObjects(std::string_view key) {
    plist_t value = valueFor(key);
    std::vector<ObjectPtr> objects;
    if (!value) return objects;
    if (plist_get_node_type(value) != PLIST_ARRAY) fail(fmt::format("{}: \"{}\" is not an array", className(), key));
    const std::vector<plist_t> items = arrayItems(value);
    objects.reserve(items.size());
    for (plist_t item : items) {
        auto uid = uidOf(item);
        if (!uid) fail(fmt::format("{}: \"{}\" holds a value that is not a reference", className(), key));
        objects.push_back(objectAt(*uid));
    }
    return objects;
}

std::optional<std::int64_t> KeyedUnarchiver::decodeInteger(std::string_view key) {
    plist_t value = valueFor(key);
    if (!value) return std::nullopt;
    if (plist_get_node_type(value) == PLIST_UINT) {
        uint64_t number = 0;
        plist_get_uint_val(value, &number);
        return static_cast<std::int64_t>(number);
    }
    if (plist_get_node_type(value) == PLIST_BOOLEAN) {
        uint8_t flag = 0;
        plist_get_bool_val(value, &flag);
        return flag;
    }
    fail(fmt::format("{}: \"{}\" is not an integer", className(), key));
}

std::optional<double> KeyedUnarchiver::decodeReal(std::string_view key) {
    plist_t value = valueFor(key);
    if (!value) return std::nullopt;
    if (plist_get_node_type(value) == PLIST_REAL) {
        double number = 0;
        plist_get_real_val(value, &number);
        return number;
    }
    if (plist_get_node_type(value) == PLIST_UINT) return static_cast<double>(*decodeInteger(key));
    fail(fmt::format("{}: \"{}\" is not a number", className(), key));
}

std::optional<Bytes> KeyedUnarchiver::decodeBytes(std::string_view key) {
    plist_t value = valueFor(key);
    if (!value) return std::nullopt;
    if (plist_get_node_type(value) != PLIST_DATA) fail(fmt::format("{}: \"{}\" is not data", className(), key));
    uint64_t length = 0;
    auto data = reinterpret_cast<const std::uint8_t*>(plist_get_data_ptr(value, &length));
    return data ? Bytes(data, data + length) : Bytes();
}

std::optional<std::string> KeyedUnarchiver::decodeText(std::string_view key) {
    plist_t value = valueFor(key);
    if (!value) return std::nullopt;
    if (plist_get_node_type(value) != PLIST_STRING) fail(fmt::format("{}: \"{}\" is not a string", className(), key));
    return stringOf(value);
}

}  // namespace talv
