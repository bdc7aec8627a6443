// talvessa-cli list and participants over an archive indexed from real Adium transcripts.
#include "tests/cli/CliArchive.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using talv::test::CliResult;
using talv::test::JsonParserPtr;
using talv::test::Chat;
using talv::test::Listing;
using talv::test::listJson;
using talv::test::runOnArchive;

// The archive is indexed from the corpus.
class ListCommand : public talv::test::CorpusTest {};

std::vector<std::string> fileNames(const Listing& listing) {
    std::vector<std::string> names;
    for (const Chat& chat : listing.chats) names.push_back(chat.at("filename"));
    return names;
}

const std::string kAimChat = "aimdest (2011-12-09T01.13.43-0800).chatlog";
const std::string kGroupChat =
    "private-chat-00000000-0000-0000-0000-000000000000@groupchat.google.com (2011-08-20T20.59.21-0700).chatlog";
const std::string kJabberChat = "otheruser@example.com (2013-11-03T22.44.16+0100).chatlog";

TEST_F(ListCommand, ShowsWhatTheChatsTableShows) {
    const Listing all = listJson({"--sort", "datestarted"});
    ASSERT_EQ(all.count, 5);
    EXPECT_EQ(all.statistics, "5 chats, 1.0 days");
    ASSERT_EQ(all.chats.size(), 5u);
    const Chat& picture = all.chats[0];
    EXPECT_EQ(picture.at("filename"), talv::test::kPictureChatFile);
    EXPECT_EQ(picture.at("kind"), "iChat");
    EXPECT_EQ(picture.at("participants"), "buddy");
    EXPECT_EQ(picture.at("topic"), "(Picture)");  // its first message is a picture alone
    EXPECT_EQ(picture.at("datestarted"), "5/1/10 8:00 AM");  // local time, America/New_York
    EXPECT_EQ(picture.at("duration"), "00:00:30");
    const Chat& group = all.chats[1];
    EXPECT_EQ(group.at("filename"), kGroupChat);
    EXPECT_EQ(group.at("participants"), "A_gmail.com, source@gmail.com, B_gmail.com");
    EXPECT_EQ(group.at("topic"), "A_gmail.com entered the room.");
    EXPECT_EQ(group.at("datestarted"), "8/20/11 11:59 PM");
    EXPECT_EQ(group.at("duration"), "00:00:10");
    const Chat& aim = all.chats[2];
    EXPECT_EQ(aim.at("filename"), kAimChat);
    EXPECT_EQ(aim.at("participants"), "aimsource, aimdest");
    EXPECT_EQ(aim.at("topic"), "Chat window opened");
    EXPECT_EQ(aim.at("datestarted"), "12/9/11 4:13 AM");
    EXPECT_EQ(aim.at("duration"), "24:02:22");
    EXPECT_EQ(all.chats[3].at("topic"), "it's 100% done,\n\"really\"");  // through JSON escaping and back
    EXPECT_EQ(all.chats[3].at("datestarted"), "3/4/12 10:00 AM");
    EXPECT_EQ(all.chats[3].at("duration"), "00:01:30");
    const Chat& jabber = all.chats[4];
    EXPECT_EQ(jabber.at("filename"), kJabberChat);
    EXPECT_EQ(jabber.at("datestarted"), "11/3/13 4:44 PM");
    for (std::size_t i = 1; i < all.chats.size(); ++i) EXPECT_EQ(all.chats[i].at("kind"), "Adium");

    // Reversed order, and the plain listing: the same rows, then the statistics line.
    const Listing newestFirst = listJson({"--sort", "datestarted:desc"});
    EXPECT_EQ(newestFirst.chats.front().at("filename"), kJabberChat);
    EXPECT_EQ(newestFirst.chats.back().at("filename"), talv::test::kPictureChatFile);
    const CliResult plain = runOnArchive({"list", "--sort", "topic:asc"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(plain.out.ends_with("\n5 chats, 1.0 days\n")) << plain.out;
    EXPECT_NE(plain.out.find(" 24:02:22  Adium  " + kAimChat + "\n"), std::string::npos) << plain.out;
    // Sorted by the stored subject: the picture's placeholder character sorts after every letter.
    EXPECT_LT(plain.out.find("A_gmail.com entered the room."), plain.out.find("Chat window opened"));
    EXPECT_LT(plain.out.find("it's 100% done, \"really\"  "), plain.out.find("(Picture)"));  // one line per row
}

TEST_F(ListCommand, FiltersByTheEntriesTitles) {
    EXPECT_EQ(listJson({"--when", "Before Last Year"}).count, 5);
    const Listing none = listJson({"--when", "Today", "--when", "Yesterday"});
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.statistics, "0 chats, 0 minutes, 0 seconds");

    EXPECT_EQ(fileNames(listJson({"--contents", "Links"})), std::vector<std::string>{kJabberChat});
    EXPECT_EQ(fileNames(listJson({"--contents", "Pictures"})), std::vector<std::string>{talv::test::kPictureChatFile});
    EXPECT_EQ(fileNames(listJson({"--contents", "E-mails", "--contents", "Links"})), std::vector<std::string>{kJabberChat});
    EXPECT_EQ(fileNames(listJson({"--participant", "aimdest"})), std::vector<std::string>{kAimChat});
    EXPECT_EQ(listJson({"--participant", "aimsource", "--participant", "otheruser@example.com"}).count, 3);

    // The participants list offers the participants of the chats that pass the other filters.
    const CliResult participants = runOnArchive({"participants", "--contents", "Links", "--json"});
    ASSERT_EQ(participants.exitCode, 0) << participants.err;
    JsonParserPtr parser(nullptr, g_object_unref);
    JsonObject* root = talv::test::parseObject(participants.out, parser);
    ASSERT_NE(root, nullptr);
    JsonArray* entries = json_object_get_array_member(root, "participants");
    std::map<std::string, std::string> partsByTitle;
    for (guint i = 0; i < json_array_get_length(entries); ++i) {
        JsonObject* entry = json_array_get_object_element(entries, i);
        JsonArray* parts = json_object_get_array_member(entry, "parts");
        std::string joined;
        for (guint p = 0; p < json_array_get_length(parts); ++p) joined += json_array_get_string_element(parts, p);
        partsByTitle[json_object_get_string_member(entry, "title")] = joined;
    }
    EXPECT_EQ(partsByTitle, (std::map<std::string, std::string>{
                                {"All", ""}, {"otheruser@example.com", "otheruser@example.com"}, {"user@example.com", "user@example.com"}}));
    EXPECT_EQ(json_object_get_string_member(json_array_get_object_element(entries, 0), "title"), std::string("All"));
}

TEST_F(ListCommand, SearchTextIsMatchedLiterallyExceptForWildcards) {
    EXPECT_EQ(fileNames(listJson({"--search", "regular message"})), std::vector<std::string>{kAimChat});
    const Listing quoted = listJson({"--search", "it's 100"});
    ASSERT_EQ(quoted.count, 1);
    EXPECT_EQ(quoted.chats[0].at("participants"), "aimsource, quoter");
    // "%" stands for any run of characters, as in the window.
    EXPECT_EQ(listJson({"--search", "delayed%source"}).count, 1);
    EXPECT_EQ(listJson({"--search", "0% off"}).count, 1);
    // Text that would end the literal finds nothing and harms nothing.
    EXPECT_EQ(listJson({"--search", "x' OR 1=1; DROP TABLE Chats; --"}).count, 0);
    EXPECT_EQ(listJson({"--search", "\"'%_\\"}).count, 0);
    EXPECT_EQ(listJson({}).count, 5);
}

TEST_F(ListCommand, RejectsUnknownTitlesAndSortKeys) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"list", "--when", "Someday"},
             {"list", "--contents", "Links", "--contents", "Videos"},
             {"list", "--participant", "nobody"},
             {"participants", "--when", "Last Decade", "--json"},
             {"list", "--sort", "id"},
             {"list", "--sort", "datestarted:sideways"},
             {"list", "--search"}}) {
        const CliResult result = runOnArchive(args);
        EXPECT_EQ(result.exitCode, 2) << args.back();
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_FALSE(result.err.empty());
    }
    const CliResult unknown = runOnArchive({"list", "--when", "Someday"});
    EXPECT_NE(unknown.err.find("'Someday'"), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("Last 3 Months"), std::string::npos) << unknown.err;

    const CliResult help = runOnArchive({"list", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--participant"), std::string::npos);
}

}  // namespace
