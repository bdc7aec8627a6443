#include "browse/ValueSet.h"

#include <functional>
#include <string_view>

namespace talv {

bool ValueSet::contains(const Value& v) const {
    auto [first, last] = members_.equal_range(hashOf(v));
    for (auto it = first; it != last; ++it)
        if (*it->second == v) return true;
    return false;
}

std::size_t ValueSet::hashOf(const Value& v) {
    // Equal values hash alike; texts, numbers and the members of containers spread the rest.
    std::size_t h = static_cast<std::size_t>(v.type());
    auto mix = [&h](std::size_t x) { h ^= x + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    if (const std::string* text = v.asText()) mix(std::hash<std::string_view>{}(*text));
    else if (const std::int64_t* integer = v.asInteger()) mix(std::hash<std::int64_t>{}(*integer));
    else if (const bool* flag = v.asBool()) mix(*flag);
    else if (const Value::Array* array = v.asArray()) {
        for (const Value& member : *array) mix(hashOf(member));
    } else if (const Value::Dictionary* dictionary = v.asDictionary()) {
        for (const auto& [key, member] : *dictionary) {
            mix(std::hash<std::string_view>{}(key));
            mix(hashOf(member));
        }
    }
    return h;
}

}  // namespace talv
