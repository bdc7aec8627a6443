#pragma once
// Builds keyed archives ("NSKeyedArchiver" object graphs) as binary property lists through
// libplist: plain values, object records with their class records, and the Foundation and AppKit
// objects transcripts hold. Each encode call appends objects and returns the reference to use.
#include "platform/AttributedString.h"
#include "platform/Date.h"
#include "platform/Value.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace talv::tools {

struct Uid {
    std::uint64_t index = 0;  // 0 is nil
};

// One key of an object record: a reference or a plain value.
struct KeyedField {
    std::string key;
    std::variant<Uid, std::int64_t, double, Bytes, std::string> value;
};

class KeyedArchiveWriter {
public:
    KeyedArchiveWriter();
    ~KeyedArchiveWriter();
    KeyedArchiveWriter(const KeyedArchiveWriter&) = delete;
    KeyedArchiveWriter& operator=(const KeyedArchiveWriter&) = delete;

    Uid encodeString(std::string_view text);         // a plain string
    Uid encodeMutableString(std::string_view text);  // an NSMutableString record
    Uid encodeInteger(std::int64_t value);
    Uid encodeData(const Bytes& bytes);              // an NSMutableData record
    Uid encodeDate(Date date);
    Uid encodeArray(const std::vector<Uid>& elements);
    Uid encodeDictionary(const std::vector<std::pair<Uid, Uid>>& entries);
    Uid encodeURL(std::string_view text);
    Uid encodeAttachment(const TextAttachment& attachment);
    // One attribute dictionary when the text has one run, else an array of them with the run table.
    Uid encodeAttributedString(const AttributedString& text);
    // An object record of any class; ancestors lead from the class's superclass to NSObject.
    Uid encodeObject(std::string_view className, const std::vector<std::string>& ancestors,
                     const std::vector<KeyedField>& fields);

    // The archive as a binary property list, with these top-level names.
    Bytes finish(const std::vector<std::pair<std::string, Uid>>& top);

private:
    Uid append(void* node);
    Uid classRecord(std::string_view className, const std::vector<std::string>& ancestors);
    Uid encodeAttributes(const Attributes& attributes);
    Uid encodeAttributeValue(std::string_view name, const AttributeValue& value);

    struct PlistDeleter {
        void operator()(void* node) const;
    };
    std::unique_ptr<void, PlistDeleter> objects_;
    std::map<std::string, Uid, std::less<>> classes_;
};

}  // namespace talv::tools
