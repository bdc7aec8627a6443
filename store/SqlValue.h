#pragma once
// One value bound to a `?` placeholder. Kinds and how FMDatabase binds them:
// bytes as a BLOB; none and the null marker as NULL; a date as REAL seconds since 1970;
// text as itself; integers and reals as their decimal text; booleans as "1" or "0".
// Numbers reach SQLite as text on purpose: the column's declared affinity converts them.
#include "platform/Date.h"
#include "platform/Value.h"

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace talv {

// The explicit "no value" object, as distinct from a missing argument; both bind NULL.
struct NullMarker {
    bool operator==(const NullMarker&) const = default;
};
inline constexpr NullMarker kNullMarker{};

class SqlValue {
public:
    using Storage = std::variant<std::monostate, NullMarker, Bytes, Date, std::string, std::int64_t,
                                 std::uint64_t, double, bool>;

    SqlValue() = default;
    SqlValue(std::nullptr_t) {}
    SqlValue(std::nullopt_t) {}
    SqlValue(NullMarker m) : v_(m) {}
    SqlValue(Bytes b) : v_(std::move(b)) {}
    SqlValue(Date d) : v_(d) {}
    SqlValue(std::string s) : v_(std::move(s)) {}
    SqlValue(std::string_view s) : v_(std::string(s)) {}
    SqlValue(const char* s) : v_(std::string(s)) {}
    SqlValue(bool b) : v_(b) {}
    SqlValue(double d) : v_(d) {}
    template <std::signed_integral T>
    SqlValue(T i) : v_(static_cast<std::int64_t>(i)) {}
    template <std::unsigned_integral T>
        requires(!std::same_as<T, bool>)
    SqlValue(T i) : v_(static_cast<std::uint64_t>(i)) {}
    template <typename T>
    SqlValue(const std::optional<T>& o) : SqlValue(o ? SqlValue(*o) : SqlValue()) {}

    const Storage& storage() const { return v_; }
    bool operator==(const SqlValue&) const = default;

private:
    Storage v_;
};

}  // namespace talv
