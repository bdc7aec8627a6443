#pragma once
// The Foundation and AppKit classes that transcripts hold, as decoded objects, and their
// registration for both archive kinds. Fonts, colours, paragraph styles and other classes are not
// registered and decode as opaque objects.
#include "import/ArchivedObject.h"
#include "platform/AttributedString.h"
#include "platform/Date.h"
#include "platform/Value.h"

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace talv {

class ArchivedString : public ArchivedObject {
public:
    explicit ArchivedString(std::u16string text) : text(std::move(text)) {}
    std::string utf8() const { return toUtf8(text); }
    std::string description() const override { return utf8(); }
    std::u16string text;
};

class ArchivedNumber : public ArchivedObject {
public:
    using Number = std::variant<bool, std::int64_t, std::uint64_t, double>;
    explicit ArchivedNumber(Number number) : number(number) {}
    Value value() const;
    std::string description() const override;
    Number number;
};

class ArchivedData : public ArchivedObject {
public:
    explicit ArchivedData(Bytes bytes) : bytes(std::move(bytes)) {}
    std::string description() const override;
    Bytes bytes;
};

class ArchivedDate : public ArchivedObject {
public:
    explicit ArchivedDate(Date date) : date(date) {}
    std::string description() const override;
    Date date;
};

class ArchivedNull : public ArchivedObject {
public:
    std::string description() const override { return "<null>"; }
};

// Arrays and sets.
class ArchivedArray : public ArchivedObject {
public:
    explicit ArchivedArray(std::vector<ObjectPtr> elements) : elements(std::move(elements)) {}
    std::string description() const override;
    std::vector<ObjectPtr> elements;
};

class ArchivedDictionary : public ArchivedObject {
public:
    using Entries = std::vector<std::pair<ObjectPtr, ObjectPtr>>;
    explicit ArchivedDictionary(Entries entries) : entries(std::move(entries)) {}
    std::string description() const override;
    Entries entries;  // archive order
};

class ArchivedURL : public ArchivedObject {
public:
    ArchivedURL(std::shared_ptr<const ArchivedURL> base, std::string relative)
        : base(std::move(base)), relative(std::move(relative)) {}
    // The relative string resolved against the base chain.
    std::string absoluteString() const;
    std::string description() const override { return absoluteString(); }
    std::shared_ptr<const ArchivedURL> base;
    std::string relative;
};

class ArchivedAttributedString : public ArchivedObject {
public:
    explicit ArchivedAttributedString(std::shared_ptr<const AttributedString> text) : text(std::move(text)) {}
    std::string description() const override { return text->utf8(); }
    std::shared_ptr<const AttributedString> text;
};

class ArchivedTextAttachment : public ArchivedObject {
public:
    explicit ArchivedTextAttachment(TextAttachment attachment) : attachment(std::move(attachment)) {}
    TextAttachment attachment;
};

class ArchivedFileWrapper : public ArchivedObject {
public:
    explicit ArchivedFileWrapper(FileWrapper wrapper) : wrapper(std::move(wrapper)) {}
    FileWrapper wrapper;
};

// An archived value as an attribute value: attachments stay attachments, URLs and attributed
// texts become their text, strings, numbers, data and dates become values, nil becomes null, and
// any other object (arrays and dictionaries included) a dictionary naming its class.
AttributeValue attributeValueFrom(const ObjectPtr& object);

// Strings as UTF-8 text; nullopt when the object is not a string.
std::optional<std::string> textOf(const ObjectPtr& object);

void addFoundationClasses(ArchiveClassRegistry& registry);

}  // namespace talv
