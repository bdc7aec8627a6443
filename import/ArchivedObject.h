#pragma once
// Objects decoded from keyed archives and typedstreams, and the registry that maps archived class
// names to the code that decodes them. Decoded graphs are immutable and shared by pointer.
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talv {

class KeyedUnarchiver;
class TypedStreamUnarchiver;

class ArchivedObject {
public:
    virtual ~ArchivedObject() = default;
    // The archived class name this object was decoded under.
    const std::string& className() const { return className_; }
    // A short text for log lines.
    virtual std::string description() const { return "<" + className_ + ">"; }

private:
    friend class KeyedUnarchiver;
    friend class TypedStreamUnarchiver;
    std::string className_;
};

using ObjectPtr = std::shared_ptr<const ArchivedObject>;

template <typename T>
const T* objectAs(const ObjectPtr& object) {
    return dynamic_cast<const T*>(object.get());
}

// The description of an object, "(null)" for none.
std::string describe(const ObjectPtr& object);

// A class the decoders do not know: kept by name only.
class OpaqueObject : public ArchivedObject {};

// Damaged input. Raised inside the decoders only; their entry points turn it into a failure
// reason and never let it out.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The outcome of decoding one archive: the root object (null for an archived nil), or the reason
// it could not be decoded.
struct Unarchived {
    ObjectPtr root;
    std::string failure;
    bool ok() const { return failure.empty(); }
};

// How one class is decoded from each archive kind. Either may be empty: that kind then decodes
// the class as an opaque object.
struct ArchiveClass {
    std::function<ObjectPtr(KeyedUnarchiver&)> keyed;
    std::function<ObjectPtr(TypedStreamUnarchiver&)> sequential;
};

class ArchiveClassRegistry {
public:
    void add(std::string name, ArchiveClass decoders) { classes_.insert_or_assign(std::move(name), std::move(decoders)); }
    const ArchiveClass* find(std::string_view name) const {
        auto found = classes_.find(name);
        return found == classes_.end() ? nullptr : &found->second;
    }

private:
    std::map<std::string, ArchiveClass, std::less<>> classes_;
};

}  // namespace talv
