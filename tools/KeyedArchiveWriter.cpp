#include "tools/KeyedArchiveWriter.h"

#include "tools/FileWrapperSerializer.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>

namespace talv::tools {

void KeyedArchiveWriter::PlistDeleter::operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }

KeyedArchiveWriter::KeyedArchiveWriter() : objects_(plist_new_array()) {
    plist_array_append_item(objects_.get(), plist_new_string("$null"));
}

KeyedArchiveWriter::~KeyedArchiveWriter() = default;

Uid KeyedArchiveWriter::append(void* node) {
    plist_array_append_item(objects_.get(), static_cast<plist_t>(node));
    return {plist_array_get_size(objects_.get()) - 1u};
}

Uid KeyedArchiveWriter::classRecord(std::string_view className, const std::vector<std::string>& ancestors) {
    if (auto found = classes_.find(className); found != classes_.end()) return found->second;
    plist_t record = plist_new_dict();
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string(std::string(className).c_str()));
    for (const std::string& ancestor : ancestors) plist_array_append_item(classes, plist_new_string(ancestor.c_str()));
    plist_dict_set_item(record, "$classes", classes);
    plist_dict_set_item(record, "$classname", plist_new_string(std::string(className).c_str()));
    Uid uid = append(record);
    classes_.emplace(std::string(className), uid);
    return uid;
}

Uid KeyedArchiveWriter::encodeObject(std::string_view className, const std::vector<std::string>& ancestors,
                                     const std::vector<KeyedField>& fields) {
    Uid classUid = classRecord(className, ancestors);
    plist_t record = plist_new_dict();
    for (const KeyedField& field : fields) {
        plist_t value = std::visit(
            [](const auto& v) -> plist_t {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, Uid>) return plist_new_uid(v.index);
                else if constexpr (std::is_same_v<T, std::int64_t>) return plist_new_uint(static_cast<uint64_t>(v));
                else if constexpr (std::is_same_v<T, double>) return plist_new_real(v);
                else if constexpr (std::is_same_v<T, Bytes>) return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
                else return plist_new_string(v.c_str());
            },
            field.value);
        plist_dict_set_item(record, field.key.c_str(), value);
    }
    plist_dict_set_item(record, "$class", plist_new_uid(classUid.index));
    return append(record);
}

Uid KeyedArchiveWriter::encodeString(std::string_view text) { return append(plist_new_string(std::string(text).c_str())); }

Uid KeyedArchiveWriter::encodeMutableString(std::string_view text) {
    return encodeObject("NSMutableString", {"NSString", "NSObject"}, {{"NS.string", std::string(text)}});
}

Uid KeyedArchiveWriter::encodeInteger(std::int64_t value) { return append(plist_new_uint(static_cast<uint64_t>(value))); }

Uid KeyedArchiveWriter::encodeData(const Bytes& bytes) {
    return encodeObject("NSMutableData", {"NSData", "NSObject"}, {{"NS.data", bytes}});
}

Uid KeyedArchiveWriter::encodeDate(Date date) {
    return encodeObject("NSDate", {"NSObject"}, {{"NS.time", date.secondsSinceReferenceDate()}});
}

Uid KeyedArchiveWriter::encodeArray(const std::vector<Uid>& elements) {
    Uid classUid = classRecord("NSMutableArray", {"NSArray", "NSObject"});
    plist_t record = plist_new_dict();
    plist_t list = plist_new_array();
    for (Uid element : elements) plist_array_append_item(list, plist_new_uid(element.index));
    plist_dict_set_item(record, "NS.objects", list);
    plist_dict_set_item(record, "$class", plist_new_uid(classUid.index));
    return append(record);
}

Uid KeyedArchiveWriter::encodeDictionary(const std::vector<std::pair<Uid, Uid>>& entries) {
    Uid classUid = classRecord("NSDictionary", {"NSObject"});
    plist_t record = plist_new_dict();
    plist_t keys = plist_new_array();
    plist_t values = plist_new_array();
    for (auto [key, value] : entries) {
        plist_array_append_item(keys, plist_new_uid(key.index));
        plist_array_append_item(values, plist_new_uid(value.index));
    }
    plist_dict_set_item(record, "NS.keys", keys);
    plist_dict_set_item(record, "NS.objects", values);
    plist_dict_set_item(record, "$class", plist_new_uid(classUid.index));
    return append(record);
}

Uid KeyedArchiveWriter::encodeURL(std::string_view text) {
    Uid relative = encodeString(text);
    return encodeObject("NSURL", {"NSObject"}, {{"NS.base", Uid{0}}, {"NS.relative", relative}});
}

Uid KeyedArchiveWriter::encodeAttachment(const TextAttachment& attachment) {
    Uid wrapper{0};
    if (attachment.fileWrapper) {
        std::string serialized = serializeFileWrapper(*attachment.fileWrapper);
        Uid data = encodeData(Bytes(serialized.begin(), serialized.end()));
        wrapper = encodeObject("NSFileWrapper", {"NSObject"}, {{"NSFileWrapperData", data}});
    }
    return encodeObject("NSTextAttachment", {"NSObject"}, {{"NSFileWrapper", wrapper}});
}

Uid KeyedArchiveWriter::encodeAttributeValue(std::string_view name, const AttributeValue& value) {
    if (auto* attachment = std::get_if<TextAttachment>(&value)) return encodeAttachment(*attachment);
    const Value& plain = std::get<Value>(value);
    if (auto* text = plain.asText()) return name == LinkAttributeName ? encodeURL(*text) : encodeString(*text);
    if (auto* number = plain.asInteger()) return encodeInteger(*number);
    if (auto* real = plain.asReal()) return append(plist_new_real(*real));
    if (auto* flag = plain.asBool()) return append(plist_new_bool(*flag));
    if (auto* date = plain.asDate()) return encodeDate(*date);
    if (auto* data = plain.asData()) return append(plist_new_data(reinterpret_cast<const char*>(data->data()), data->size()));
    return Uid{0};
}

Uid KeyedArchiveWriter::encodeAttributes(const Attributes& attributes) {
    std::vector<std::pair<Uid, Uid>> entries;
    for (const auto& [name, value] : attributes) entries.emplace_back(encodeString(name), encodeAttributeValue(name, value));
    return encodeDictionary(entries);
}

Uid KeyedArchiveWriter::encodeAttributedString(const AttributedString& text) {
    std::vector<KeyedField> fields{{"NSString", encodeString(text.utf8())}};
    const auto& runs = text.runs();
    if (runs.size() == 1) {
        fields.push_back({"NSAttributes", encodeAttributes(*runs.front().attributes)});
    } else if (runs.size() > 1) {
        // One dictionary per distinct set; the run table names them by index, as base-128 numbers.
        std::map<const Attributes*, std::uint64_t> indexes;
        std::vector<Uid> sets;
        Bytes table;
        auto appendNumber = [&table](std::uint64_t n) {
            do {
                std::uint8_t byte = n & 0x7F;
                n >>= 7;
                table.push_back(n ? byte | 0x80 : byte);
            } while (n);
        };
        for (const auto& run : runs) {
            auto [found, added] = indexes.emplace(run.attributes.get(), sets.size());
            if (added) sets.push_back(encodeAttributes(*run.attributes));
            appendNumber(run.length);
            appendNumber(found->second);
        }
        fields.push_back({"NSAttributes", encodeArray(sets)});
        fields.push_back({"NSAttributeInfo", encodeData(table)});
    }
    return encodeObject("NSMutableAttributedString", {"NSAttributedString", "NSObject"}, fields);
}

Bytes KeyedArchiveWriter::finish(const std::vector<std::pair<std::string, Uid>>& top) {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_t topDict = plist_new_dict();
    for (const auto& [name, uid] : top) plist_dict_set_item(topDict, name.c_str(), plist_new_uid(uid.index));
    plist_dict_set_item(root, "$top", topDict);
    plist_dict_set_item(root, "$objects", plist_copy(objects_.get()));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    Bytes result(reinterpret_cast<std::uint8_t*>(bytes), reinterpret_cast<std::uint8_t*>(bytes) + length);
    plist_to_bin_free(bytes);
    plist_free(root);
    return result;
}

}  // namespace talv::tools
