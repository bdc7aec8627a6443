#include "tests/cli/CliArchive.h"

#include "tools/AdiumXMLLogWriter.h"
#include "tools/IChatTranscript.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

fs::path makeIndexedHome() {
    static TempDir dir;  // lives as long as the test process
    const fs::path home = dir / "home";
    const fs::path adium = home / "Library" / "Application Support" / "Adium 2.0";
    fs::create_directories(adium.parent_path());
    fs::copy(corpusDir() / "adium" / "Adium 2.0", adium, fs::copy_options::recursive);

    const Date start{1330873200};  // 2012-03-04 15:00:00 UTC
    auto message = [](std::string sender, Date time, std::string text) {
        LogEntry entry;
        entry.sender = std::move(sender);
        entry.time = time;
        entry.text = std::move(text);
        return entry;
    };
    const std::vector<LogEntry> entries{message("aimsource", start, "it's 100% done,\n\"really\""),
                                        message(kQuotedLogContact, start.addingSeconds(90), "50% off, isn't it?")};
    const fs::path logs = adium / "Users" / "Default" / "Logs" / "AIM.aimsource" / kQuotedLogContact;
    fs::create_directories(logs);
    EXPECT_TRUE(AdiumXMLLogWriter::writeFolder(logs / AdiumXMLLogWriter::fileName(kQuotedLogContact, start), "aimsource",
                                               "AIM", entries));

    // One picture (a 1x1 PNG) alone in a message, then a line of text.
    gsize size = 0;
    guchar* png = g_base64_decode(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==", &size);
    tools::IChatTranscript transcript;
    const tools::IChatPresentity buddy{"AIM", "buddy"};
    transcript.participants = {buddy};
    const Date sent{1272715200};  // 2010-05-01 12:00:00 UTC
    transcript.messages = {{buddy, sent, tools::inlineFile(Bytes(png, png + size), "dot.png", std::nullopt)},
                           {buddy, sent.addingSeconds(30), AttributedString("a dot for you")}};
    g_free(png);
    const Bytes archive = tools::writeKeyedTranscript(transcript);
    writeFile(home / "Documents" / "iChats" / kPictureChatFile, std::string(archive.begin(), archive.end()));

    const CliResult indexed = runCli({"--transcripts-home", home.string(), "index"});
    EXPECT_EQ(indexed.exitCode, 0) << indexed.err;
    return home;
}

}  // namespace

CliResult runCli(const std::vector<std::string>& args, const fs::path& workingFolder) {
    std::vector<gchar*> argv{const_cast<gchar*>(TALV_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<gchar*>(arg.c_str()));
    argv.push_back(nullptr);

    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    CliResult result;
    if (!g_spawn_sync(workingFolder.empty() ? nullptr : workingFolder.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &status, &error)) {
        ADD_FAILURE() << "cannot run " << TALV_CLI_PATH << ": " << error->message;
        g_error_free(error);
        return result;
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = out ? out : "";
    result.err = err ? err : "";
    g_free(out);
    g_free(err);
    return result;
}

const fs::path& indexedTranscriptsHome() {
    static const fs::path home = makeIndexedHome();
    return home;
}

CliResult runOnArchive(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--transcripts-home", indexedTranscriptsHome().string()};
    all.insert(all.end(), args.begin(), args.end());
    return runCli(all);
}

JsonObject* parseObject(const std::string& text, JsonParserPtr& parser) {
    parser.reset(json_parser_new());
    GError* error = nullptr;
    if (!json_parser_load_from_data(parser.get(), text.c_str(), static_cast<gssize>(text.size()), &error)) {
        ADD_FAILURE() << "not JSON: " << error->message << "\n" << text;
        g_error_free(error);
        return nullptr;
    }
    JsonNode* root = json_parser_get_root(parser.get());
    if (!root || !JSON_NODE_HOLDS_OBJECT(root)) {
        ADD_FAILURE() << "not one JSON object:\n" << text;
        return nullptr;
    }
    return json_node_get_object(root);
}

Listing listJson(std::vector<std::string> options) { return listJsonOn(indexedTranscriptsHome(), std::move(options)); }

Listing listJsonOn(const fs::path& home, std::vector<std::string> options) {
    options.insert(options.begin(), {"--transcripts-home", home.string(), "list"});
    options.push_back("--json");
    const CliResult result = runCli(options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    JsonParserPtr parser(nullptr, g_object_unref);
    JsonObject* root = parseObject(result.out, parser);
    Listing listing;
    if (!root) return listing;
    listing.statistics = json_object_get_string_member(root, "statistics");
    listing.count = json_object_get_int_member(root, "count");
    JsonArray* chats = json_object_get_array_member(root, "chats");
    for (guint i = 0; i < json_array_get_length(chats); ++i) {
        JsonObject* object = json_array_get_object_element(chats, i);
        Chat chat{{"id", std::to_string(json_object_get_int_member(object, "id"))}};
        for (const char* key : {"participants", "topic", "datestarted", "duration", "kind", "filename"}) {
            chat[key] = json_object_get_string_member(object, key);
        }
        listing.chats.push_back(chat);
    }
    EXPECT_EQ(listing.count, static_cast<std::int64_t>(listing.chats.size()));
    return listing;
}

std::string chatIDOf(const std::string& fileName) {
    for (const Chat& chat : listJson({}).chats) {
        if (chat.at("filename") == fileName) return chat.at("id");
    }
    ADD_FAILURE() << "no chat listed from " << fileName;
    return "";
}

}  // namespace talv::test
