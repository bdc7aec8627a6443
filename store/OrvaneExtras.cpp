#include "store/OrvaneExtras.h"

#include "platform/CalendarDate.h"
#include "platform/Regex.h"

#include <glib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace talv {
namespace {

// The date's local calendar day written with a fixed time of day and read back.
Date localTimeOfDay(Date date, std::string_view pattern) {
    const auto text = CalendarDate(date).descriptionWithCalendarFormat(pattern);
    const auto boundary = CalendarDate::dateWithString(text, "%Y-%m-%d %H:%M:%S");
    return boundary ? boundary->date() : date;
}

constexpr std::size_t kLengthPrefix = 4;

}  // namespace

std::optional<std::string> stringWithContentsOfUTF8File(const std::filesystem::path& path) {
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return std::nullopt;
    std::unique_ptr<gchar, decltype(&g_free)> owner(contents, g_free);
    if (!Regex::isValidUtf8(std::string_view(contents, length))) return std::nullopt;
    return std::string(contents, length);
}

std::optional<std::string> UUIDString() {
    gchar* uuid = g_uuid_string_random();
    if (!uuid) return std::nullopt;
    std::string result(uuid);
    g_free(uuid);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return g_ascii_toupper(c); });
    return result;
}

std::string htmlEscapedString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view replacement;
        switch (text[i]) {
            case '&': replacement = "&amp;"; break;
            case '<': replacement = "&lt;"; break;
            case '>': replacement = "&gt;"; break;
            case '"': replacement = "&quot;"; break;
            case '\n':
            case '\r': replacement = "<br/>"; break;
            default: continue;
        }
        out.append(text.substr(runStart, i - runStart));
        out.append(replacement);
        runStart = i + 1;
    }
    out.append(text.substr(runStart));
    return out;
}

std::string sqliteEscapedString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    return out;
}

Date startOfDay(Date date) { return localTimeOfDay(date, "%Y-%m-%d 00:00:00"); }

Date endOfDay(Date date) { return localTimeOfDay(date, "%Y-%m-%d 23:59:59"); }

std::optional<Bytes> compressedData(const Bytes& data, int level) {
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;  // length must fit 4 bytes
    if (level > 9) level = 9;
    if (level < -1) level = 0;
    uLongf compressedLength = compressBound(static_cast<uLong>(data.size()));
    Bytes blob(kLengthPrefix + compressedLength);
    if (compress2(blob.data() + kLengthPrefix, &compressedLength, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
        return std::nullopt;
    blob.resize(kLengthPrefix + compressedLength);
    const auto length = static_cast<std::uint32_t>(data.size());
    for (std::size_t i = 0; i < kLengthPrefix; ++i) blob[i] = static_cast<std::uint8_t>(length >> (8 * i));
    return blob;
}

std::optional<Bytes> uncompressedData(const Bytes& blob) {
    if (blob.size() <= kLengthPrefix) return std::nullopt;
    std::uint32_t stated = 0;
    for (std::size_t i = 0; i < kLengthPrefix; ++i) stated |= std::uint32_t{blob[i]} << (8 * i);

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    std::unique_ptr<z_stream, decltype(&inflateEnd)> owner(&stream, inflateEnd);
    stream.next_in = const_cast<Bytef*>(blob.data() + kLengthPrefix);
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(blob.size() - kLengthPrefix, std::numeric_limits<uInt>::max()));

    // The output grows as the stream delivers, never beyond the stated length, so a damaged
    // length cannot make us reserve gigabytes up front.
    Bytes out;
    for (;;) {
        if (out.size() == stated) {
            // Full at the stated length: the stream must end here without another byte.
            std::uint8_t probe = 0;
            stream.next_out = &probe;
            stream.avail_out = 1;
            const int rc = inflate(&stream, Z_NO_FLUSH);
            if (rc == Z_STREAM_END && stream.avail_out == 1) return out;
            return std::nullopt;
        }
        const std::size_t produced = out.size();
        const std::size_t room = std::min<std::size_t>(stated, std::max<std::size_t>(produced * 2, 64 * 1024));
        out.resize(room);
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(room - produced);
        const int rc = inflate(&stream, Z_NO_FLUSH);
        out.resize(room - stream.avail_out);
        if (rc == Z_STREAM_END) return out;
        const bool inputEnded = stream.avail_out != 0 && (rc == Z_BUF_ERROR || stream.avail_in == 0);
        if ((rc != Z_OK && rc != Z_BUF_ERROR) || inputEnded) return std::nullopt;
    }
}

bool compress(Bytes& data) {
    auto blob = compressedData(data);
    if (!blob) return false;
    data = std::move(*blob);
    return true;
}

bool uncompress(Bytes& data) {
    auto plain = uncompressedData(data);
    if (!plain) return false;
    data = std::move(*plain);
    return true;
}

}  // namespace talv
