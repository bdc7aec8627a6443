#pragma once
// Attributed text: UTF-16 text (archives count runs in UTF-16 units) whose characters carry
// attributes. The attribute runs always cover the whole text; adjacent runs with equal
// attributes are merged, so a run is a maximal stretch of equal attributes.
// Indices and ranges are in UTF-16 units. A value type; not synchronised.
#include "platform/Value.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talv {

// A file as a text attachment holds it: a regular file with its contents, or a directory of
// child wrappers (the serialized "rtfd" form).
struct FileWrapper {
    enum class Kind { RegularFile, Directory };
    Kind kind = Kind::RegularFile;
    std::string preferredFilename;
    Bytes contents;                     // regular file only
    std::vector<FileWrapper> children;  // directory only, in archive order

    // The contents when this is a regular file, else nullptr.
    const Bytes* regularFileContents() const { return kind == Kind::RegularFile ? &contents : nullptr; }
    bool operator==(const FileWrapper&) const = default;
};

// Shares its file wrapper between copies; equal when the wrappers are equal.
struct TextAttachment {
    std::shared_ptr<const FileWrapper> fileWrapper;  // null: an attachment without contents
    bool operator==(const TextAttachment& other) const {
        return fileWrapper == other.fileWrapper ||
               (fileWrapper && other.fileWrapper && *fileWrapper == *other.fileWrapper);
    }
};

using AttributeValue = std::variant<Value, TextAttachment>;
using Attributes = std::map<std::string, AttributeValue, std::less<>>;

struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    std::size_t end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

// The standard attachment attribute, the link attribute (a URL as text, or a text) and the path
// of an inline file.
inline constexpr std::string_view AttachmentAttributeName = "NSAttachment";
inline constexpr std::string_view LinkAttributeName = "NSLink";
inline constexpr std::string_view InlineFilePathAttributeName = "FezInlineFilePath";
// The underline style and the text colour.
inline constexpr std::string_view UnderlineAttributeName = "NSUnderline";
inline constexpr std::string_view ColorAttributeName = "NSColor";

// UTF-8 <-> UTF-16. Unpaired surrogates and invalid UTF-8 become U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

class AttributedString {
public:
    AttributedString() = default;
    explicit AttributedString(std::u16string text, Attributes attributes = {});
    explicit AttributedString(std::string_view utf8, Attributes attributes = {});

    std::size_t length() const { return text_.size(); }
    const std::u16string& string() const { return text_; }
    std::string utf8() const { return toUtf8(text_); }

    // The attributes at index and, when asked, the range of the run holding it.
    // REQUIRES index < length(); otherwise empty attributes and an empty range at index.
    const Attributes& attributesAt(std::size_t index, TextRange* effectiveRange = nullptr) const;
    // One attribute at index (nullptr when absent) and, when asked, the maximal range over which
    // it has the same value (or is equally absent).
    const AttributeValue* attributeAt(std::string_view name, std::size_t index,
                                      TextRange* effectiveRange = nullptr) const;

    // Range arguments are clipped to the text.
    void addAttribute(std::string_view name, AttributeValue value, TextRange range);
    void removeAttribute(std::string_view name, TextRange range);
    void setAttributes(const Attributes& attributes, TextRange range);

    // Replaces the characters in range. Plain text takes the attributes of the first replaced
    // character, or for an empty range those of the character before it (else the one after).
    void replaceCharacters(TextRange range, std::u16string_view text);
    void replaceCharacters(TextRange range, const AttributedString& text);
    void append(const AttributedString& text);

    // Marks every word (a run of characters that are not white space) that is a link, or the
    // e-mail address inside a word, with the link attribute (the URL as text), a single underline
    // and `color` as text colour. Words containing "://" are links as written; words beginning with
    // "www.", "ftp." or "gopher." get that scheme, "mailto:" words stay as written (prefixes compare
    // case exactly); a link that is not a valid URL is left unmarked.
    void detectURLs(const Value& color);

    // The runs in order: each with its length and attributes. Runs share attribute sets, so a
    // set decoded once and used by many runs is held once.
    struct Run {
        std::size_t length = 0;
        std::shared_ptr<const Attributes> attributes;
    };
    const std::vector<Run>& runs() const { return runs_; }

    // Text with the given runs; lengths beyond the text are cut, text beyond the runs has no
    // attributes. A null set means no attributes.
    static AttributedString fromRuns(std::u16string text, std::vector<Run> runs);

    bool operator==(const AttributedString& other) const;

private:
    TextRange clip(TextRange range) const;
    // Splits runs so that one starts at position; returns the index of that run (runs_.size()
    // at the end of the text).
    std::size_t splitAt(std::size_t position);
    template <typename Change>
    void changeAttributes(TextRange range, Change change);
    // Merges equal neighbours among runs [first, last) and the runs on either side.
    void normalize(std::size_t first, std::size_t last);

    std::u16string text_;
    std::vector<Run> runs_;  // lengths sum to text_.size(); none empty or null; neighbours differ
};

}  // namespace talv
