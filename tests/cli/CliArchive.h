#pragma once
// talvessa-cli run as a subprocess over an archive indexed from real transcripts: the Adium
// corpus copied into a home of its own, plus two transcripts written here: an Adium log with a
// quote and a percent sign in its text, and an iChat transcript with an inline picture. The
// archive, preferences and caches are the test process's own.
#include "tests/support/TestEnvironment.h"

#include <json-glib/json-glib.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talv::test {

struct CliResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs talvessa-cli with `args` in the test's environment, in `workingFolder` when one is given.
CliResult runCli(const std::vector<std::string>& args, const std::filesystem::path& workingFolder = {});

// The transcripts home, indexed once per test process with `talvessa-cli index`.
const std::filesystem::path& indexedTranscriptsHome();
// runCli with "--transcripts-home" on the indexed home before `args`.
CliResult runOnArchive(const std::vector<std::string>& args);

inline constexpr const char* kQuotedLogContact = "quoter";
inline constexpr const char* kPictureChatFile = "buddy on 2010-05-01.ichat";

using JsonParserPtr = std::unique_ptr<JsonParser, decltype(&g_object_unref)>;
// Parses `text` as JSON; the root object stays valid as long as the parser. Fails the test
// (and gives none) when the text is not one JSON object.
JsonObject* parseObject(const std::string& text, JsonParserPtr& parser);

using Chat = std::map<std::string, std::string>;  // every field of a listed chat as text, "id" included

struct Listing {
    std::string statistics;
    std::int64_t count = -1;
    std::vector<Chat> chats;  // in display order
};

// Runs `list --json` with `options` on the indexed archive; fails the test unless it succeeds
// with one JSON object whose count is its number of chats.
Listing listJson(std::vector<std::string> options);
// The same on another transcripts home.
Listing listJsonOn(const std::filesystem::path& home, std::vector<std::string> options);
// The ID of the listed chat read from `fileName`; fails the test and gives "" when none is.
std::string chatIDOf(const std::string& fileName);

}  // namespace talv::test
