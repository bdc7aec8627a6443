#pragma once
// talvessa-cli run as a subprocess over an archive indexed from real transcripts: the Adium
// corpus copied into a home of its own, plus one Adium log written here with a quote and a
// percent sign in its text. The archive, preferences and caches are the test process's own.
#include "tests/support/TestEnvironment.h"

#include <json-glib/json-glib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace talv::test {

struct CliResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs talvessa-cli with `args` in the test's environment.
CliResult runCli(const std::vector<std::string>& args);

// The transcripts home, indexed once per test process with `talvessa-cli index`.
const std::filesystem::path& indexedTranscriptsHome();
// runCli with "--transcripts-home" on the indexed home before `args`.
CliResult runOnArchive(const std::vector<std::string>& args);

// The file name of the log written with the quoted message.
inline constexpr const char* kQuotedLogContact = "quoter";

using JsonParserPtr = std::unique_ptr<JsonParser, decltype(&g_object_unref)>;
// Parses `text` as JSON; the root object stays valid as long as the parser. Fails the test
// (and gives none) when the text is not one JSON object.
JsonObject* parseObject(const std::string& text, JsonParserPtr& parser);

}  // namespace talv::test
