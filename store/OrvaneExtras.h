#pragma once
// Small value operations shared by the store, the query engine and the renderer: UTF-8 files,
// unique identifiers, escaping for HTML and SQL, local day boundaries and the compressed blob.
// All are pure functions of their arguments (and of the local time zone for the day
// boundaries); safe from any thread.
#include "platform/Date.h"
#include "platform/Value.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

// The whole file decoded as UTF-8; none when it cannot be read or is not valid UTF-8.
std::optional<std::string> stringWithContentsOfUTF8File(const std::filesystem::path& path);

// A fresh random (version 4) UUID: 8-4-4-4-12 upper-case hexadecimal digits.
std::optional<std::string> UUIDString();

// "&" "<" ">" and '"' as entities, line feeds and carriage returns as "<br/>", in one pass.
std::string htmlEscapedString(std::string_view text);
// Every "'" doubled, for text placed between single quotes in an SQL statement.
std::string sqliteEscapedString(std::string_view text);

// 00:00:00 and 23:59:59 local time of the date's calendar day (one second before the next
// midnight). On a day that starts inside a daylight-saving gap the start is its first moment.
Date startOfDay(Date date);
Date endOfDay(Date date);

// The compressed blob: the uncompressed length (4 bytes, little-endian), then a zlib stream.
// Levels above 9 count as 9, below -1 as 0; -1 is zlib's default. None when zlib fails.
std::optional<Bytes> compressedData(const Bytes& data, int level = -1);
// The data held in a compressed blob; none when the blob is short, damaged or longer than stated.
std::optional<Bytes> uncompressedData(const Bytes& blob);
// In place: true and the contents replaced, or false and the contents unchanged.
bool compress(Bytes& data);
bool uncompress(Bytes& data);

}  // namespace talv
