#include "identity/VCardLine.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace talv {
namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

std::string upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return g_ascii_toupper(c); });
    return out;
}

bool asciiEqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && asciiEqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

std::optional<std::string> convert(std::string_view text, const char* from) {
    gsize written = 0;
    GCharPtr out(g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", from, nullptr, &written, nullptr));
    if (!out) return std::nullopt;
    return std::string(out.get(), written);
}

std::string toUtf8File(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    const char* utf16 = bytes.starts_with("\xFF\xFE") ? "UTF-16LE" : bytes.starts_with("\xFE\xFF") ? "UTF-16BE" : nullptr;
    if (utf16) return convert(bytes.substr(2), utf16).value_or(std::string());
    return std::string(bytes);
}

// Quoted-printable lines of 2.1 exports end in "=" when the value goes on in the next line.
bool endsWithSoftBreak(const std::string& line) {
    if (line.empty() || line.back() != '=') return false;
    const auto colon = line.find(':');
    return colon != std::string::npos && upper(std::string_view(line).substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Some 2.1 exports write base64 pictures on lines of their own, without the folding space.
bool continuesBase64(const std::string& previous, std::string_view line) {
    const auto colon = previous.find(':');
    if (colon == std::string::npos || line.find(':') != std::string_view::npos) return false;
    const std::string head = upper(std::string_view(previous).substr(0, colon));
    const bool base64 = head.find("BASE64") != std::string::npos || head.find("ENCODING=B") != std::string::npos;
    return base64 && std::all_of(line.begin(), line.end(), [](unsigned char c) { return g_ascii_isalnum(c) || c == '+' || c == '/' || c == '='; });
}

std::string decodeQuotedPrintable(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && g_ascii_isxdigit(in[i + 1]) && g_ascii_isxdigit(in[i + 2])) {
            out.push_back(static_cast<char>(g_ascii_xdigit_value(in[i + 1]) * 16 + g_ascii_xdigit_value(in[i + 2])));
            i += 2;
        } else {
            out.push_back(in[i]);
        }
    }
    return out;
}

std::optional<Bytes> decodeBase64(std::string_view in) {
    std::string clean;
    clean.reserve(in.size());
    for (char c : in)
        if (!g_ascii_isspace(c)) clean.push_back(c);
    const auto firstPad = clean.find('=');
    const bool valid = std::all_of(clean.begin(), clean.end(), [](unsigned char c) { return g_ascii_isalnum(c) || c == '+' || c == '/' || c == '='; }) &&
                       (firstPad == std::string::npos || clean.find_first_not_of('=', firstPad) == std::string::npos) &&
                       clean.size() - std::min(firstPad, clean.size()) <= 2;
    if (!valid || clean.empty()) return std::nullopt;
    while (clean.size() % 4 != 0) clean.push_back('=');  // some exporters drop the padding
    gsize length = 0;
    std::unique_ptr<guchar, GFreeDeleter> data(g_base64_decode(clean.c_str(), &length));
    return Bytes(data.get(), data.get() + length);
}

}  // namespace

std::vector<std::string> VCardLine::logicalLines(std::string_view bytes) {
    const std::string text = toUtf8File(bytes);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = std::string_view(text).substr(pos, end - pos);
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);

        if (!lines.empty() && endsWithSoftBreak(lines.back())) {
            lines.back().pop_back();
            lines.back().append(line);
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back().append(line.substr(1));
        } else if (!line.empty() && !lines.empty() && continuesBase64(lines.back(), line)) {
            lines.back().append(line);
        } else if (!line.empty()) {
            lines.emplace_back(line);
        }
    }
    return lines;
}

std::optional<VCardLine> VCardLine::parse(std::string_view text) {
    VCardLine line;
    std::size_t i = text.find_first_of(";:");
    if (i == std::string_view::npos || i == 0) return std::nullopt;
    std::string_view name = text.substr(0, i);
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(dot + 1);
    if (name.empty()) return std::nullopt;
    line.name_ = upper(name);

    while (i < text.size() && text[i] == ';') {
        ++i;
        std::string parameter;
        bool quoted = false;
        for (; i < text.size() && (quoted || (text[i] != ';' && text[i] != ':')); ++i) {
            if (text[i] == '"') quoted = !quoted;
            else parameter.push_back(text[i]);
        }
        if (const auto eq = parameter.find('='); eq != std::string::npos) {
            line.parameters_.emplace_back(upper(parameter.substr(0, eq)), parameter.substr(eq + 1));
        } else if (!parameter.empty()) {
            const std::string bare = upper(parameter);
            const bool encoding = bare == "BASE64" || bare == "B" || bare == "QUOTED-PRINTABLE" || bare == "8BIT" || bare == "7BIT";
            line.parameters_.emplace_back(encoding ? "ENCODING" : "TYPE", parameter);
        }
    }
    if (i >= text.size() || text[i] != ':') return std::nullopt;
    line.value_ = std::string(text.substr(i + 1));
    return line;
}

bool VCardLine::hasParameter(std::string_view name, std::string_view value) const {
    for (const auto& [key, values] : parameters_) {
        if (key != name) continue;
        std::string_view rest = values;
        while (true) {
            const auto comma = rest.find(',');
            if (asciiEqualsIgnoringCase(rest.substr(0, comma), value)) return true;
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    return false;
}

std::optional<std::string> VCardLine::parameter(std::string_view name) const {
    for (const auto& [key, value] : parameters_)
        if (key == name) return value;
    return std::nullopt;
}

std::string VCardLine::text() const {
    const std::string raw = hasParameter("ENCODING", "QUOTED-PRINTABLE") ? decodeQuotedPrintable(value_) : value_;
    const auto charset = parameter("CHARSET");
    if (charset && !asciiEqualsIgnoringCase(*charset, "UTF-8"))
        if (auto converted = convert(raw, charset->c_str())) return *converted;
    if (g_utf8_validate(raw.data(), static_cast<gssize>(raw.size()), nullptr)) return raw;
    return convert(raw, "ISO-8859-1").value_or(std::string());
}

std::optional<Bytes> VCardLine::binary() const {
    if (hasParameter("ENCODING", "B") || hasParameter("ENCODING", "BASE64")) return decodeBase64(value_);
    if (!startsWithIgnoringCase(value_, "data:")) return std::nullopt;
    const auto comma = value_.find(',');
    if (comma == std::string::npos) return std::nullopt;
    const std::string_view mediaType = std::string_view(value_).substr(5, comma - 5);
    const std::string_view payload = std::string_view(value_).substr(comma + 1);
    if (mediaType.size() >= 7 && asciiEqualsIgnoringCase(mediaType.substr(mediaType.size() - 7), ";base64")) return decodeBase64(payload);
    const std::string encoded(payload);
    std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(g_uri_unescape_bytes(encoded.c_str(), -1, nullptr, nullptr), &g_bytes_unref);
    if (!bytes) return std::nullopt;
    gsize size = 0;
    const auto* data = static_cast<const std::uint8_t*>(g_bytes_get_data(bytes.get(), &size));
    return Bytes(data, data + size);
}

std::string VCardLine::unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char next = text[++i];
        out.push_back(next == 'n' || next == 'N' ? '\n' : next);
    }
    return out;
}

std::vector<std::string> VCardLine::components(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i + 1 < text.size() && text[i] == '\\') {
            ++i;
        } else if (i == text.size() || text[i] == ';') {
            parts.push_back(unescape(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace talv
