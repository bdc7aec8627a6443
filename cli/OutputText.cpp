#include "cli/OutputText.h"

#include <glib.h>
#include <json-glib/json-glib.h>

#include <algorithm>
#include <memory>

namespace talv::cli {
namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

std::string validUTF8(std::string_view text) {
    GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    return valid.get();
}

std::size_t characterWidth(gunichar c) {
    if (g_unichar_iszerowidth(c)) return 0;
    return g_unichar_iswide(c) ? 2 : 1;
}

constexpr std::string_view kEllipsis = "…";
constexpr std::size_t kNarrowestColumn = 4;

// `text` cut to at most `width` columns, ending in an ellipsis when it was cut.
std::string fitted(const std::string& text, std::size_t width) {
    if (displayWidth(text) <= width) return text;
    std::string cut;
    std::size_t used = 0;
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        const std::size_t w = characterWidth(g_utf8_get_char(p));
        if (used + w + 1 > width) break;
        cut.append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
        used += w;
    }
    return cut + std::string(kEllipsis);
}

// Narrows the widest columns until the columns and their separators fit `width`.
void narrowColumns(std::vector<std::size_t>& widths, std::size_t width) {
    auto total = [&] {
        std::size_t sum = widths.empty() ? 0 : 2 * (widths.size() - 1);
        for (std::size_t w : widths) sum += w;
        return sum;
    };
    for (std::size_t excess = total(); excess > width; --excess) {
        auto widest = std::max_element(widths.begin(), widths.end());
        if (widest == widths.end() || *widest <= kNarrowestColumn) return;
        --*widest;
    }
}

}  // namespace

std::string jsonString(std::string_view text) {
    const std::string valid = validUTF8(text);
    std::unique_ptr<JsonNode, decltype(&json_node_unref)> node(json_node_alloc(), json_node_unref);
    json_node_init_string(node.get(), valid.c_str());
    GCharPtr literal(json_to_string(node.get(), FALSE));
    return literal.get();
}

std::string jsonStringArray(const std::vector<std::string>& texts) {
    std::string array = "[";
    for (const std::string& text : texts) {
        if (array.size() > 1) array += ", ";
        array += jsonString(text);
    }
    return array + "]";
}

std::string singleLine(std::string_view text) {
    const std::string valid = validUTF8(text);
    std::string line;
    line.reserve(valid.size());
    for (const char* p = valid.c_str(); *p; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        if (g_unichar_iscntrl(c) || c == 0x2028 || c == 0x2029) line += ' ';
        else line.append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
    }
    return line;
}

std::size_t displayWidth(std::string_view text) {
    const std::string valid = validUTF8(text);
    std::size_t width = 0;
    for (const char* p = valid.c_str(); *p; p = g_utf8_next_char(p)) width += characterWidth(g_utf8_get_char(p));
    return width;
}

std::string alignedColumns(const std::vector<std::vector<std::string>>& rows, std::optional<std::size_t> width) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
    }
    if (width) narrowColumns(widths, *width);
    std::string lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string cell = fitted(row[c], widths[c]);
            line += cell;
            if (c + 1 < row.size()) line.append(widths[c] - displayWidth(cell) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);  // an empty last cell leaves no padding behind
        lines += line + '\n';
    }
    return lines;
}

}  // namespace talv::cli
