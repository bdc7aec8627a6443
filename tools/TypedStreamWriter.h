#pragma once
// Builds typedstreams (the sequential archives of "NSArchiver"), little-endian as Intel Macs
// write them or big-endian as PowerPC Macs did: typed groups, shared strings, objects numbered as
// they appear and written once, back-references afterwards.
#include "platform/AttributedString.h"
#include "platform/Date.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace talv::tools {

class TypedStreamWriter {
public:
    explicit TypedStreamWriter(bool bigEndian = false);

    // One group's type string, then its values with the calls below.
    void types(std::string_view types);
    void integer(std::int64_t value);
    void real(double value);
    void rawBytes(std::string_view bytes);           // the values of a "[Nc]" group
    void unsharedString(std::string_view text);       // a "+" value
    void cString(std::string_view text);              // a "*" value

    // An "@" value: nil, a reference to an object already written under `identity`, or a new
    // object of the class whose chain (class first, up to NSObject) is given; `contents` writes
    // its groups. Returns without calling `contents` when the object was written before.
    void nil();
    void object(const std::vector<std::string>& classChain, const void* identity,
                const std::function<void()>& contents);

    // Foundation objects, each written as one "@" group.
    void stringGroup(std::string_view text);
    void dateGroup(Date date);
    void dataGroup(const Bytes& bytes);
    void urlGroup(std::string_view text);
    void attributedStringGroup(const AttributedString& text);

    std::string finish() const { return out_; }

private:
    void raw(std::uint64_t value, int width);
    void sharedString(std::string_view text);
    void reference(std::size_t index);
    void classChain(const std::vector<std::string>& chain, std::size_t from);
    void attributeValueGroup(std::string_view name, const AttributeValue& value);

    bool bigEndian_;
    std::string out_;
    std::map<std::string, std::size_t, std::less<>> sharedStrings_;
    std::map<std::string, std::size_t, std::less<>> classes_;
    std::map<const void*, std::size_t> objects_;
    std::size_t nextNumber_ = 0;  // objects, classes and C strings share one numbering
};

}  // namespace talv::tools
