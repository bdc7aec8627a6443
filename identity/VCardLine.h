#pragma once
// One unfolded content line of a vCard: [group.]NAME *(;param) : value.
#include "platform/Value.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talv {

class VCardLine {
public:
    // None when the text is not a content line (no name, or no colon after the parameters).
    static std::optional<VCardLine> parse(std::string_view text);

    // Splits a file's text into unfolded logical lines: continuation lines (leading space or
    // tab) and quoted-printable soft breaks are joined; empty lines are dropped. The text is
    // UTF-8; a UTF-8 byte-order mark is skipped and UTF-16 with a byte-order mark is converted.
    static std::vector<std::string> logicalLines(std::string_view bytes);

    const std::string& name() const { return name_; }        // upper case, group removed
    const std::string& rawValue() const { return value_; }   // as written, still escaped
    // Whether a parameter (upper-case name) lists `value` among its comma-separated values,
    // compared ignoring letter case. Bare 2.1 parameters count as TYPE or ENCODING.
    bool hasParameter(std::string_view name, std::string_view value) const;
    std::optional<std::string> parameter(std::string_view name) const;

    // The value as UTF-8 text: quoted-printable decoded and converted from its CHARSET (text
    // that is not valid UTF-8 is read as ISO-8859-1); escapes are left in place.
    std::string text() const;
    // The value decoded from base64 (ENCODING=b or BASE64) or from a data: URI; none when it
    // is neither, or is damaged.
    std::optional<Bytes> binary() const;

    // Removes vCard escapes: "\n" and "\N" become a line break, a backslash keeps the next char.
    static std::string unescape(std::string_view text);
    // Splits a structured value at its unescaped semicolons, unescaping every component.
    static std::vector<std::string> components(std::string_view text);

private:
    std::string name_;
    std::vector<std::pair<std::string, std::string>> parameters_;  // upper-case name, unquoted value
    std::string value_;
};

}  // namespace talv
