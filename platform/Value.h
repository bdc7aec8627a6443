#pragma once
// The property-list value: null, boolean, integer, real, text, data, date, array, dictionary.
// Equality compares whole values. Reads and writes XML and binary property lists (libplist).
#include "platform/Date.h"

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talv {

using Bytes = std::vector<std::uint8_t>;

class Value {
public:
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value, std::less<>>;
    enum class Type { Null, Boolean, Integer, Real, Text, Data, Date, Array, Dictionary };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(std::int64_t{i}) {}
    Value(std::int64_t i) : v_(i) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(Bytes d) : v_(std::move(d)) {}
    Value(Date d) : v_(d) {}
    Value(Array a) : v_(std::move(a)) {}
    Value(Dictionary d) : v_(std::move(d)) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Typed access: nullptr when the value is of another type.
    const bool* asBool() const { return std::get_if<bool>(&v_); }
    const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&v_); }
    const double* asReal() const { return std::get_if<double>(&v_); }
    const std::string* asText() const { return std::get_if<std::string>(&v_); }
    const Bytes* asData() const { return std::get_if<Bytes>(&v_); }
    const Date* asDate() const { return std::get_if<Date>(&v_); }
    const Array* asArray() const { return std::get_if<Array>(&v_); }
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&v_); }
    Array* asArray() { return std::get_if<Array>(&v_); }
    Dictionary* asDictionary() { return std::get_if<Dictionary>(&v_); }

    // Lenient reads with a fallback, as user defaults and keyed records are read:
    // numbers and booleans convert into each other; texts do not convert.
    bool boolOr(bool fallback) const;
    std::int64_t integerOr(std::int64_t fallback) const;
    double realOr(double fallback) const;
    std::string textOr(std::string_view fallback) const;

    // Dictionary member, or nullptr when this is not a dictionary or has no such key.
    const Value* find(std::string_view key) const;

    bool operator==(const Value&) const = default;

    // Parses an XML or binary property list; none when the bytes are neither.
    static std::optional<Value> fromPlist(const Bytes& bytes);
    static std::optional<Value> fromPlist(std::string_view bytes);
    std::string toXmlPlist() const;
    Bytes toBinaryPlist() const;

private:
    friend void PrintTo(const Value& v, std::ostream* os);
    std::variant<std::monostate, bool, std::int64_t, double, std::string, Bytes, Date, Array, Dictionary> v_;
};

}  // namespace talv
