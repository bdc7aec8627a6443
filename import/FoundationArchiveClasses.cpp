#include "import/FoundationArchiveClasses.h"

#include "import/KeyedUnarchiver.h"
#include "import/SerializedFileWrapper.h"
#include "import/TypedStreamUnarchiver.h"

#include <fmt/format.h>

#include <cmath>
#include <map>

namespace talv {

std::string describe(const ObjectPtr& object) { return object ? object->description() : "(null)"; }

Value ArchivedNumber::value() const {
    return std::visit(
        [](auto n) -> Value {
            using T = decltype(n);
            if constexpr (std::is_same_v<T, std::uint64_t>) {
                return n > static_cast<std::uint64_t>(INT64_MAX) ? Value(static_cast<double>(n)) : Value(static_cast<std::int64_t>(n));
            } else {
                return Value(n);
            }
        },
        number);
}

std::string ArchivedNumber::description() const {
    return std::visit([](auto n) { return fmt::format("{}", n); }, number);
}

std::string ArchivedData::description() const { return fmt::format("<{} bytes>", bytes.size()); }

std::string ArchivedDate::description() const { return fmt::format("{}", date.secondsSince1970); }

namespace {

// Elements are described one level deep and the first few only: shared containers would
// otherwise multiply into a description of any size.
constexpr std::size_t DescribedElements = 32;

std::string describeElement(const ObjectPtr& object) {
    if (objectAs<ArchivedArray>(object)) return "(...)";
    if (objectAs<ArchivedDictionary>(object)) return "{...}";
    return describe(object);
}

}  // namespace

std::string ArchivedArray::description() const {
    std::string text = "(";
    for (std::size_t i = 0; i < elements.size() && i < DescribedElements; ++i) text += (i ? ", " : "") + describeElement(elements[i]);
    return text + (elements.size() > DescribedElements ? ", ...)" : ")");
}

std::string ArchivedDictionary::description() const {
    std::string text = "{";
    for (std::size_t i = 0; i < entries.size() && i < DescribedElements; ++i) {
        text += describeElement(entries[i].first) + " = " + describeElement(entries[i].second) + "; ";
    }
    return text + (entries.size() > DescribedElements ? "...}" : "}");
}

std::string ArchivedURL::absoluteString() const {
    if (!base) return relative;
    std::string baseText = base->absoluteString();
    if (relative.find("://") != std::string::npos) return relative;
    if (!relative.empty() && relative.front() == '/') {
        auto scheme = baseText.find("://");
        auto hostEnd = scheme == std::string::npos ? std::string::npos : baseText.find('/', scheme + 3);
        return (hostEnd == std::string::npos ? baseText : baseText.substr(0, hostEnd)) + relative;
    }
    // A base without a path ("https://host") gets one before the relative part is added.
    auto scheme = baseText.find("://");
    auto lastSlash = baseText.rfind('/');
    if (scheme != std::string::npos && (lastSlash == std::string::npos || lastSlash < scheme + 3)) return baseText + "/" + relative;
    return baseText.substr(0, lastSlash + 1) + relative;
}

std::optional<std::string> textOf(const ObjectPtr& object) {
    if (auto* string = objectAs<ArchivedString>(object)) return string->utf8();
    return std::nullopt;
}

namespace {

Value valueFrom(const ObjectPtr& object) {
    if (auto* string = objectAs<ArchivedString>(object)) return Value(string->utf8());
    if (auto* number = objectAs<ArchivedNumber>(object)) return number->value();
    if (auto* data = objectAs<ArchivedData>(object)) return Value(data->bytes);
    if (auto* date = objectAs<ArchivedDate>(object)) return Value(date->date);
    if (auto* url = objectAs<ArchivedURL>(object)) return Value(url->relative);
    if (auto* text = objectAs<ArchivedAttributedString>(object)) return Value(text->text->utf8());
    if (!object) return Value();
    // Containers are not expanded: shared elements would multiply into copies.
    return Value(Value::Dictionary{{"$classname", object->className()}});
}

template <typename Decoder>
Attributes attributesFrom(Decoder& coder, const ObjectPtr& object) {
    Attributes attributes;
    if (!object) return attributes;
    auto* dictionary = objectAs<ArchivedDictionary>(object);
    if (!dictionary) coder.fail(fmt::format("attributes are a {}, not a dictionary", object->className()));
    for (const auto& [key, value] : dictionary->entries) {
        auto name = textOf(key);
        if (!name) coder.fail("attribute name is not a string");
        AttributeValue converted = attributeValueFrom(value);
        const Value* plain = std::get_if<Value>(&converted);
        std::size_t size = name->size() + 64;
        if (plain && plain->asText()) size += plain->asText()->size();
        if (plain && plain->asData()) size += plain->asData()->size();
        coder.charge(size);
        attributes.insert_or_assign(*name, std::move(converted));
    }
    return attributes;
}

template <typename T, typename Decoder>
std::shared_ptr<const T> require(Decoder& coder, const ObjectPtr& object, std::string_view what) {
    if (!object) return nullptr;
    auto typed = std::dynamic_pointer_cast<const T>(object);
    if (!typed) coder.fail(fmt::format("{}: {} is a {}", coder.className(), what, object->className()));
    return typed;
}

std::shared_ptr<const FileWrapper> wrapperFromData(const Bytes& data) {
    auto wrapper = fileWrapperFromSerializedData(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    return wrapper ? std::make_shared<const FileWrapper>(std::move(*wrapper)) : nullptr;
}

// Keyed archives.

std::u16string keyedStringText(KeyedUnarchiver& coder) {
    if (auto text = coder.decodeText("NS.string")) return toUtf16(*text);
    if (auto bytes = coder.decodeBytes("NS.bytes")) return toUtf16(std::string(bytes->begin(), bytes->end()));
    if (auto object = coder.decodeObject("NS.string")) {
        if (auto* string = objectAs<ArchivedString>(object)) return string->text;
    }
    return {};
}

// Elements under one array key, or under numbered keys ("NS.object.0", ...).
std::vector<ObjectPtr> keyedElements(KeyedUnarchiver& coder, std::string_view key, std::string_view numberedPrefix) {
    if (coder.containsValue(key)) return coder.decodeObjects(key);
    std::vector<ObjectPtr> elements;
    for (std::size_t i = 0;; ++i) {
        std::string numbered = fmt::format("{}{}", numberedPrefix, i);
        if (!coder.containsValue(numbered)) break;
        elements.push_back(coder.decodeObject(numbered));
    }
    return elements;
}

ObjectPtr keyedArray(KeyedUnarchiver& coder) {
    return std::make_shared<ArchivedArray>(keyedElements(coder, "NS.objects", "NS.object."));
}

ObjectPtr keyedDictionary(KeyedUnarchiver& coder) {
    auto keys = keyedElements(coder, "NS.keys", "NS.key.");
    auto values = keyedElements(coder, "NS.objects", "NS.object.");
    if (keys.size() != values.size()) coder.fail("dictionary with unequal numbers of keys and values");
    ArchivedDictionary::Entries entries;
    for (std::size_t i = 0; i < keys.size(); ++i) entries.emplace_back(keys[i], values[i]);
    return std::make_shared<ArchivedDictionary>(std::move(entries));
}

Bytes keyedDataBytes(KeyedUnarchiver& coder) {
    if (auto bytes = coder.decodeBytes("NS.data")) return *bytes;
    if (auto bytes = coder.decodeBytes("NS.bytes")) return *bytes;
    return {};
}

// Run table: pairs of (length, attribute-set index), each an unsigned little-endian base-128 number.
std::vector<std::pair<std::uint64_t, std::uint64_t>> runTable(KeyedUnarchiver& coder, const Bytes& bytes) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;
    std::size_t position = 0;
    auto next = [&]() {
        std::uint64_t value = 0;
        for (int shift = 0;; shift += 7) {
            if (position >= bytes.size() || shift > 63) coder.fail("damaged attribute run table");
            std::uint8_t byte = bytes[position++];
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return value;
        }
    };
    while (position < bytes.size()) {
        std::uint64_t length = next();
        runs.emplace_back(length, next());
    }
    return runs;
}

ObjectPtr keyedAttributedString(KeyedUnarchiver& coder) {
    auto string = require<ArchivedString>(coder, coder.decodeObject("NSString"), "NSString");
    std::u16string text = string ? string->text : std::u16string();
    coder.charge(2 * text.size());
    ObjectPtr attributes = coder.decodeObject("NSAttributes");
    ObjectPtr info = coder.decodeObject("NSAttributeInfo");
    std::vector<AttributedString::Run> runs;
    if (!info) {
        runs.push_back({text.size(), std::make_shared<const Attributes>(attributesFrom(coder, attributes))});
    } else {
        auto sets = require<ArchivedArray>(coder, attributes, "NSAttributes");
        auto table = require<ArchivedData>(coder, info, "NSAttributeInfo");
        if (!sets || !table) coder.fail("attribute runs without their attributes");
        std::vector<std::shared_ptr<const Attributes>> converted;
        for (const auto& set : sets->elements) converted.push_back(std::make_shared<const Attributes>(attributesFrom(coder, set)));
        std::uint64_t covered = 0;
        for (auto [length, index] : runTable(coder, table->bytes)) {
            if (index >= converted.size()) coder.fail("attribute run refers to a missing set");
            if (length > text.size() - covered) coder.fail("attribute runs longer than the text");
            covered += length;
            runs.push_back({static_cast<std::size_t>(length), converted[index]});
        }
    }
    return std::make_shared<ArchivedAttributedString>(
        std::make_shared<const AttributedString>(AttributedString::fromRuns(std::move(text), std::move(runs))));
}

ObjectPtr keyedURL(KeyedUnarchiver& coder) {
    auto base = require<ArchivedURL>(coder, coder.decodeObject("NS.base"), "NS.base");
    auto relative = textOf(coder.decodeObject("NS.relative"));
    return std::make_shared<ArchivedURL>(std::move(base), relative.value_or(""));
}

ObjectPtr keyedFileWrapper(KeyedUnarchiver& coder) {
    ObjectPtr data = coder.decodeObject("NSFileWrapperData");
    auto bytes = require<ArchivedData>(coder, data, "NSFileWrapperData");
    auto wrapper = bytes ? wrapperFromData(bytes->bytes) : nullptr;
    return std::make_shared<ArchivedFileWrapper>(wrapper ? *wrapper : FileWrapper{});
}

ObjectPtr keyedTextAttachment(KeyedUnarchiver& coder) {
    auto wrapper = require<ArchivedFileWrapper>(coder, coder.decodeObject("NSFileWrapper"), "NSFileWrapper");
    TextAttachment attachment;
    if (wrapper) attachment.fileWrapper = std::make_shared<const FileWrapper>(wrapper->wrapper);
    return std::make_shared<ArchivedTextAttachment>(std::move(attachment));
}

// Typedstreams.

ObjectPtr typedString(TypedStreamUnarchiver& coder) {
    return std::make_shared<ArchivedString>(toUtf16(coder.decodeGroup("+").front().text));
}

ObjectPtr typedArray(TypedStreamUnarchiver& coder, std::string_view countType) {
    std::int64_t count = coder.decodeGroup(countType).front().integer;
    std::vector<ObjectPtr> elements;
    // Each element takes bytes, so a false count runs out of data instead of memory.
    for (std::int64_t i = 0; i < count; ++i) elements.push_back(coder.decodeObject());
    return std::make_shared<ArchivedArray>(std::move(elements));
}

ObjectPtr typedDictionary(TypedStreamUnarchiver& coder) {
    std::int64_t count = coder.decodeGroup("i").front().integer;
    ArchivedDictionary::Entries entries;
    for (std::int64_t i = 0; i < count; ++i) {
        ObjectPtr key = coder.decodeObject();
        entries.emplace_back(key, coder.decodeObject());
    }
    return std::make_shared<ArchivedDictionary>(std::move(entries));
}

ObjectPtr typedData(TypedStreamUnarchiver& coder) {
    std::int64_t length = coder.decodeGroup("i").front().integer;
    auto values = coder.decodeGroup();
    if (values.size() != 1 || values.front().type != '[' || static_cast<std::int64_t>(values.front().text.size()) != length) {
        coder.fail("data bytes do not match their length");
    }
    const std::string& bytes = values.front().text;
    return std::make_shared<ArchivedData>(Bytes(bytes.begin(), bytes.end()));
}

ObjectPtr typedNumber(TypedStreamUnarchiver& coder) {
    std::string type = coder.decodeGroup("*").front().text;
    if (type.size() != 1) coder.fail(fmt::format("number of type \"{}\"", type));
    TypedValue value = coder.decodeGroup(type).front();
    switch (type.front()) {
    case 'f': case 'd': return std::make_shared<ArchivedNumber>(value.real);
    case 'C': case 'S': case 'I': case 'L': case 'Q': return std::make_shared<ArchivedNumber>(value.asUnsigned());
    case 'c': case 'B': case 's': case 'i': case 'l': case 'q': return std::make_shared<ArchivedNumber>(value.integer);
    default: coder.fail(fmt::format("number of type \"{}\"", type));
    }
}

ObjectPtr typedURL(TypedStreamUnarchiver& coder) {
    bool relative = coder.decodeGroup("c").front().integer != 0;
    std::shared_ptr<const ArchivedURL> base;
    if (relative) base = require<ArchivedURL>(coder, coder.decodeObject(), "base");
    auto text = textOf(coder.decodeObject());
    return std::make_shared<ArchivedURL>(std::move(base), text.value_or(""));
}

ObjectPtr typedAttributedString(TypedStreamUnarchiver& coder) {
    auto string = require<ArchivedString>(coder, coder.decodeObject(), "the string");
    std::u16string text = string ? string->text : std::u16string();
    coder.charge(2 * text.size());
    std::map<std::int64_t, std::shared_ptr<const Attributes>> sets;
    std::vector<AttributedString::Run> runs;
    std::uint64_t covered = 0;
    // Each run names its attribute set; a set's dictionary follows the run that names it first.
    while (!coder.atObjectEnd()) {
        auto run = coder.decodeGroup("iI");
        std::int64_t number = run[0].integer;
        std::uint64_t length = run[1].asUnsigned();
        if (length > text.size() - covered) coder.fail("attribute runs longer than the text");
        covered += length;
        auto set = sets.find(number);
        if (set == sets.end()) {
            set = sets.emplace(number, std::make_shared<const Attributes>(attributesFrom(coder, coder.decodeObject()))).first;
        }
        runs.push_back({static_cast<std::size_t>(length), set->second});
    }
    return std::make_shared<ArchivedAttributedString>(
        std::make_shared<const AttributedString>(AttributedString::fromRuns(std::move(text), std::move(runs))));
}

// The first object of the next group that is of type T.
template <typename T>
std::shared_ptr<const T> firstObjectOfGroup(TypedStreamUnarchiver& coder) {
    if (coder.atObjectEnd()) return nullptr;
    for (const TypedValue& value : coder.decodeGroup()) {
        if (auto typed = std::dynamic_pointer_cast<const T>(value.object)) return typed;
    }
    return nullptr;
}

ObjectPtr typedFileWrapper(TypedStreamUnarchiver& coder) {
    auto data = firstObjectOfGroup<ArchivedData>(coder);
    auto wrapper = data ? wrapperFromData(data->bytes) : nullptr;
    return std::make_shared<ArchivedFileWrapper>(wrapper ? *wrapper : FileWrapper{});
}

ObjectPtr typedTextAttachment(TypedStreamUnarchiver& coder) {
    auto wrapper = firstObjectOfGroup<ArchivedFileWrapper>(coder);
    TextAttachment attachment;
    if (wrapper) attachment.fileWrapper = std::make_shared<const FileWrapper>(wrapper->wrapper);
    return std::make_shared<ArchivedTextAttachment>(std::move(attachment));
}

}  // namespace

AttributeValue attributeValueFrom(const ObjectPtr& object) {
    if (auto* attachment = objectAs<ArchivedTextAttachment>(object)) return attachment->attachment;
    return valueFrom(object);
}

void addFoundationClasses(ArchiveClassRegistry& registry) {
    ArchiveClass string{[](KeyedUnarchiver& c) -> ObjectPtr { return std::make_shared<ArchivedString>(keyedStringText(c)); },
                        typedString};
    registry.add("NSString", string);
    registry.add("NSMutableString", string);

    ArchiveClass array{keyedArray, [](TypedStreamUnarchiver& c) { return typedArray(c, "i"); }};
    registry.add("NSArray", array);
    registry.add("NSMutableArray", array);
    ArchiveClass set{keyedArray, [](TypedStreamUnarchiver& c) { return typedArray(c, "I"); }};
    registry.add("NSSet", set);
    registry.add("NSMutableSet", set);

    ArchiveClass dictionary{keyedDictionary, typedDictionary};
    registry.add("NSDictionary", dictionary);
    registry.add("NSMutableDictionary", dictionary);

    ArchiveClass data{[](KeyedUnarchiver& c) -> ObjectPtr { return std::make_shared<ArchivedData>(keyedDataBytes(c)); },
                      typedData};
    registry.add("NSData", data);
    registry.add("NSMutableData", data);

    registry.add("NSDate", {[](KeyedUnarchiver& c) -> ObjectPtr {
                                return std::make_shared<ArchivedDate>(Date::fromReferenceDate(c.decodeReal("NS.time").value_or(0)));
                            },
                            [](TypedStreamUnarchiver& c) -> ObjectPtr {
                                return std::make_shared<ArchivedDate>(Date::fromReferenceDate(c.decodeGroup("d").front().real));
                            }});
    registry.add("NSNumber", {nullptr, typedNumber});
    registry.add("NSNull", {[](KeyedUnarchiver&) -> ObjectPtr { return std::make_shared<ArchivedNull>(); },
                            [](TypedStreamUnarchiver&) -> ObjectPtr { return std::make_shared<ArchivedNull>(); }});
    registry.add("NSURL", {keyedURL, typedURL});

    ArchiveClass attributed{keyedAttributedString, typedAttributedString};
    registry.add("NSAttributedString", attributed);
    registry.add("NSMutableAttributedString", attributed);
    registry.add("NSTextAttachment", {keyedTextAttachment, typedTextAttachment});
    registry.add("NSFileWrapper", {keyedFileWrapper, typedFileWrapper});
}

}  // namespace talv
