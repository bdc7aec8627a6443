#pragma once
// Membership of whole values (equal as Value's ==) by hash, for lists of thousands of filter
// entries. Holds pointers: the values must outlive the set and stay where they are.
#include "platform/Value.h"

#include <cstddef>
#include <unordered_map>

namespace talv {

class ValueSet {
public:
    template <typename Range>
    explicit ValueSet(const Range& values) {
        for (const Value& v : values) members_.emplace(hashOf(v), &v);
    }
    bool contains(const Value& v) const;

private:
    static std::size_t hashOf(const Value& v);
    std::unordered_multimap<std::size_t, const Value*> members_;
};

}  // namespace talv
