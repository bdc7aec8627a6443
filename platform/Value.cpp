#include "platform/Value.h"

#include <plist/plist.h>

#include <cmath>
#include <memory>
#include <ostream>

namespace talv {
namespace {

struct PlistDeleter {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// libplist counts dates from 2001-01-01, as property lists do.
Value fromNode(plist_t node, int depth) {
    if (!node || depth > 512) return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        Value v(std::string(s ? s : ""));
        free(s);
        return v;
    }
    case PLIST_DATA: {
        char* d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        Bytes bytes(reinterpret_cast<std::uint8_t*>(d), reinterpret_cast<std::uint8_t*>(d) + len);
        free(d);
        return Value(std::move(bytes));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(Date::fromReferenceDate(sec + usec / 1e6));
    }
    case PLIST_UID: {
        uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_ARRAY: {
        Value::Array array;
        uint32_t n = plist_array_get_size(node);
        array.reserve(n);
        for (uint32_t i = 0; i < n; ++i) array.push_back(fromNode(plist_array_get_item(node, i), depth + 1));
        return Value(std::move(array));
    }
    case PLIST_DICT: {
        Value::Dictionary dict;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            if (!item) break;
            dict.insert_or_assign(std::string(key ? key : ""), fromNode(item, depth + 1));
            free(key);
        }
        free(it);
        return Value(std::move(dict));
    }
    default:
        return {};
    }
}

// Property lists have no null: a null is written as an empty string.
plist_t toNode(const Value& v) {
    switch (v.type()) {
    case Value::Type::Null: return plist_new_string("");
    case Value::Type::Boolean: return plist_new_bool(*v.asBool());
    case Value::Type::Integer: return plist_new_uint(static_cast<uint64_t>(*v.asInteger()));
    case Value::Type::Real: return plist_new_real(*v.asReal());
    case Value::Type::Text: return plist_new_string(v.asText()->c_str());
    case Value::Type::Data:
        return plist_new_data(reinterpret_cast<const char*>(v.asData()->data()), v.asData()->size());
    case Value::Type::Date: {
        double s = v.asDate()->secondsSinceReferenceDate();
        double whole = std::floor(s);
        return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>(std::lround((s - whole) * 1e6)));
    }
    case Value::Type::Array: {
        plist_t array = plist_new_array();
        for (const auto& item : *v.asArray()) plist_array_append_item(array, toNode(item));
        return array;
    }
    case Value::Type::Dictionary: {
        plist_t dict = plist_new_dict();
        for (const auto& [key, item] : *v.asDictionary()) plist_dict_set_item(dict, key.c_str(), toNode(item));
        return dict;
    }
    }
    return plist_new_string("");
}

}  // namespace

bool Value::boolOr(bool fallback) const {
    if (auto b = asBool()) return *b;
    if (auto i = asInteger()) return *i != 0;
    if (auto r = asReal()) return *r != 0;
    return fallback;
}

std::int64_t Value::integerOr(std::int64_t fallback) const {
    if (auto i = asInteger()) return *i;
    if (auto r = asReal()) return static_cast<std::int64_t>(*r);
    if (auto b = asBool()) return *b ? 1 : 0;
    return fallback;
}

double Value::realOr(double fallback) const {
    if (auto r = asReal()) return *r;
    if (auto i = asInteger()) return static_cast<double>(*i);
    if (auto b = asBool()) return *b ? 1 : 0;
    return fallback;
}

std::string Value::textOr(std::string_view fallback) const {
    if (auto t = asText()) return *t;
    return std::string(fallback);
}

const Value* Value::find(std::string_view key) const {
    auto dict = asDictionary();
    if (!dict) return nullptr;
    auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}

std::optional<Value> Value::fromPlist(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    PlistPtr owner(root);
    return fromNode(root, 0);
}

std::optional<Value> Value::fromPlist(const Bytes& bytes) {
    return fromPlist(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string Value::toXmlPlist() const {
    PlistPtr root(toNode(*this));
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(static_cast<plist_t>(root.get()), &xml, &len);
    std::string out(xml ? xml : "", len);
    plist_to_xml_free(xml);
    return out;
}

Bytes Value::toBinaryPlist() const {
    PlistPtr root(toNode(*this));
    char* bin = nullptr;
    uint32_t len = 0;
    plist_to_bin(static_cast<plist_t>(root.get()), &bin, &len);
    Bytes out(reinterpret_cast<std::uint8_t*>(bin), reinterpret_cast<std::uint8_t*>(bin) + len);
    plist_to_bin_free(bin);
    return out;
}

void PrintTo(const Value& v, std::ostream* os) { *os << v.toXmlPlist(); }

}  // namespace talv
