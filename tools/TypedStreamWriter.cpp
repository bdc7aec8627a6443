#include "tools/TypedStreamWriter.h"

#include "tools/FileWrapperSerializer.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace talv::tools {
namespace {

constexpr char TagInteger2 = '\x81', TagInteger4 = '\x82', TagReal = '\x83', TagNew = '\x84', TagNil = '\x85',
               TagEnd = '\x86', TagInteger8 = '\x87';
constexpr std::int64_t ReferenceBase = -110;

}  // namespace

TypedStreamWriter::TypedStreamWriter(bool bigEndian) : bigEndian_(bigEndian) {
    out_ += '\x04';
    out_ += '\x0b';
    out_ += bigEndian ? "typedstream" : "streamtyped";
    integer(1000);
}

void TypedStreamWriter::raw(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        int shift = 8 * (bigEndian_ ? width - 1 - i : i);
        out_ += static_cast<char>((value >> shift) & 0xFF);
    }
}

void TypedStreamWriter::integer(std::int64_t value) {
    if (value >= -110 && value <= 127) {
        out_ += static_cast<char>(value);
    } else if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
        out_ += TagInteger2;
        raw(static_cast<std::uint64_t>(value), 2);
    } else if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        out_ += TagInteger4;
        raw(static_cast<std::uint64_t>(value), 4);
    } else {
        out_ += TagInteger8;
        raw(static_cast<std::uint64_t>(value), 8);
    }
}

void TypedStreamWriter::real(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 2147483647.0) {
        integer(static_cast<std::int64_t>(value));  // integral reals are written as integers
        return;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out_ += TagReal;
    raw(bits, 8);
}

void TypedStreamWriter::rawBytes(std::string_view bytes) { out_ += bytes; }

void TypedStreamWriter::unsharedString(std::string_view text) {
    integer(static_cast<std::int64_t>(text.size()));
    out_ += text;
}

void TypedStreamWriter::reference(std::size_t index) { integer(static_cast<std::int64_t>(index) + ReferenceBase); }

void TypedStreamWriter::sharedString(std::string_view text) {
    if (auto found = sharedStrings_.find(text); found != sharedStrings_.end()) {
        reference(found->second);
        return;
    }
    out_ += TagNew;
    unsharedString(text);
    sharedStrings_.emplace(std::string(text), sharedStrings_.size());
}

void TypedStreamWriter::types(std::string_view text) { sharedString(text); }

void TypedStreamWriter::cString(std::string_view text) {
    out_ += TagNew;
    sharedString(text);
    ++nextNumber_;
}

void TypedStreamWriter::nil() { out_ += TagNil; }

void TypedStreamWriter::classChain(const std::vector<std::string>& chain, std::size_t from) {
    if (from == chain.size()) {
        nil();
        return;
    }
    if (auto found = classes_.find(chain[from]); found != classes_.end()) {
        reference(found->second);
        return;
    }
    out_ += TagNew;
    sharedString(chain[from]);
    integer(chain[from] == "NSString" || chain[from] == "NSMutableString" ? 1 : 0);  // class version
    classes_.emplace(chain[from], nextNumber_++);
    classChain(chain, from + 1);
}

void TypedStreamWriter::object(const std::vector<std::string>& chain, const void* identity,
                               const std::function<void()>& contents) {
    if (identity) {
        if (auto found = objects_.find(identity); found != objects_.end()) {
            reference(found->second);
            return;
        }
    }
    out_ += TagNew;
    std::size_t number = nextNumber_++;
    if (identity) objects_.emplace(identity, number);
    classChain(chain, 0);
    contents();
    out_ += TagEnd;
}

void TypedStreamWriter::stringGroup(std::string_view text) {
    types("@");
    object({"NSString", "NSObject"}, nullptr, [&] {
        types("+");
        unsharedString(text);
    });
}

void TypedStreamWriter::dateGroup(Date date) {
    types("@");
    object({"NSDate", "NSObject"}, nullptr, [&] {
        types("d");
        real(date.secondsSinceReferenceDate());
    });
}

void TypedStreamWriter::dataGroup(const Bytes& bytes) {
    types("@");
    object({"NSMutableData", "NSData", "NSObject"}, nullptr, [&] {
        types("i");
        integer(static_cast<std::int64_t>(bytes.size()));
        types("[" + std::to_string(bytes.size()) + "c]");
        rawBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    });
}

void TypedStreamWriter::urlGroup(std::string_view text) {
    types("@");
    object({"NSURL", "NSObject"}, nullptr, [&] {
        types("c");
        out_ += '\0';
        stringGroup(text);
    });
}

void TypedStreamWriter::attributeValueGroup(std::string_view name, const AttributeValue& value) {
    if (auto* attachment = std::get_if<TextAttachment>(&value)) {
        types("@");
        object({"NSTextAttachment", "NSObject"}, nullptr, [&] {
            // The attachment's first group: a number, then the file wrapper.
            types("i@");
            integer(1);
            if (!attachment->fileWrapper) {
                nil();
                return;
            }
            object({"NSFileWrapper", "NSObject"}, nullptr, [&] {
                std::string serialized = serializeFileWrapper(*attachment->fileWrapper);
                dataGroup(Bytes(serialized.begin(), serialized.end()));
            });
        });
        return;
    }
    const Value& plain = std::get<Value>(value);
    if (auto* text = plain.asText()) {
        if (name == LinkAttributeName) urlGroup(*text);
        else stringGroup(*text);
        return;
    }
    types("@");
    object({"NSNumber", "NSValue", "NSObject"}, nullptr, [&] {
        types("*");
        if (auto* number = plain.asReal()) {
            cString("d");
            types("d");
            real(*number);
        } else {
            cString("q");
            types("q");
            integer(plain.integerOr(0));
        }
    });
}

void TypedStreamWriter::attributedStringGroup(const AttributedString& text) {
    types("@");
    object({"NSMutableAttributedString", "NSAttributedString", "NSObject"}, nullptr, [&] {
        stringGroup(text.utf8());
        // Runs name their attribute set by number; a set's dictionary follows its first run.
        std::map<const Attributes*, std::int64_t> numbers;
        for (const auto& run : text.runs()) {
            auto [found, added] = numbers.emplace(run.attributes.get(), static_cast<std::int64_t>(numbers.size()) + 1);
            types("iI");
            integer(found->second);
            integer(static_cast<std::int64_t>(run.length));
            if (!added) continue;
            types("@");
            object({"NSDictionary", "NSObject"}, nullptr, [&] {
                types("i");
                integer(static_cast<std::int64_t>(run.attributes->size()));
                for (const auto& [name, value] : *run.attributes) {
                    stringGroup(name);
                    attributeValueGroup(name, value);
                }
            });
        }
    });
}

}  // namespace talv::tools
