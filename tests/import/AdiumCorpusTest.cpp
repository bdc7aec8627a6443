// The real Adium logs of the shared corpus, read as the Adium scan pass reads them, and damaged.
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"

#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::ChatRecord;
using talv::MessageRecord;
using talv::test::utcDate;

class AdiumCorpus : public talv::test::CorpusTest {};

namespace fs = std::filesystem;

namespace {

fs::path corpus() { return talv::test::corpusDir() / "adium"; }
fs::path logs() { return corpus() / "Adium 2.0" / "Users" / "Default" / "Logs"; }

std::vector<std::string> texts(const ChatRecord& chat) {
    std::vector<std::string> out;
    for (const MessageRecord& m : chat.Messages) out.push_back(m.Message);
    return out;
}

std::string trimmed(std::string_view s) {
    auto begin = s.find_first_not_of(" \t\n");
    return begin == std::string_view::npos ? "" : std::string(s.substr(begin, s.find_last_not_of(" \t\n") - begin + 1));
}

}  // namespace

TEST_F(AdiumCorpus, HtmlLogRenamedByAdiumOne) {
    auto chat = talv::AdiumLogParser().parseLogFile(corpus() / "loose-files" / "theirscreenname (2006-09-23).AdiumHTMLLog");
    ASSERT_TRUE(chat);
    ASSERT_EQ(chat->Messages.size(), 35u);
    for (std::size_t i = 0; i < 32; ++i) {
        const MessageRecord& m = chat->Messages[i];
        EXPECT_TRUE(m.Sender == "theirsn" || m.Sender == "mysn") << i;
        EXPECT_EQ(m.FromMe, m.Sender == "mysn") << i;
        ASSERT_TRUE(m.Timestamp) << i;
    }
    const auto& m = chat->Messages;
    EXPECT_EQ(m[0].Message, "hey");
    EXPECT_EQ(m[0].Timestamp, utcDate(2006, 9, 23, 4, 1, 48));  // 12:01:48 AM New York summer time
    EXPECT_EQ(m[3].Message, "i'm trying out a new instant message program");
    EXPECT_EQ(m[24].Message, "SA as in http://www.somethingawful.com/ ??");
    EXPECT_EQ(m[24].Sender, "mysn");
    EXPECT_EQ(m[28].Timestamp, utcDate(2006, 9, 23, 5, 46, 31));  // 1:46:31 AM
    EXPECT_EQ(m[31].Message, "seeya later");
    EXPECT_EQ(m[32].Message,
              "Away Message: \"Work! I've heard of it but I didn't think you had!\"\n"
              "\"Well I had, but I kept getting it mixed up with Nap.\"\nGilmore Girls quotes ? (8:25:45 PM)");
    EXPECT_EQ(m[32].Sender, "");
    EXPECT_EQ(m[32].Timestamp, utcDate(2006, 9, 24, 0, 25, 45));
    EXPECT_EQ(m[34].Message, "Jane Doe disconnected (1:47:02 AM)");
    EXPECT_EQ(m[34].Timestamp, utcDate(2006, 9, 23, 5, 47, 2));

    EXPECT_EQ(chat->Participants, (std::vector<std::string>{"theirsn", "mysn"}));
    EXPECT_EQ(chat->StartDate, utcDate(2006, 9, 23, 4, 1, 48));
    EXPECT_EQ(chat->EndDate, utcDate(2006, 9, 23, 5, 46, 59));
    EXPECT_TRUE(chat->HasHyperlinks);
    EXPECT_FALSE(chat->HasEmails);

    // The wall-clock times follow the zone of the reading machine.
    talv::test::setTimeZone("Europe/Berlin");
    auto berlin = talv::AdiumLogParser().parseLogFile(corpus() / "loose-files" / "theirscreenname (2006-09-23).AdiumHTMLLog");
    talv::test::setTimeZone("America/New_York");
    ASSERT_TRUE(berlin);
    EXPECT_EQ(berlin->StartDate, utcDate(2006, 9, 22, 22, 1, 48));
}

TEST_F(AdiumCorpus, EarlyChatlogFile) {
    auto chat = talv::AdiumXMLLogParser().parseLogFile(corpus() / "loose-files" / "theirscreenname (2007-03-25T12.31.28-0400).chatlog");
    ASSERT_TRUE(chat);
    ASSERT_EQ(chat->Messages.size(), 45u);  // 42 messages, one status, two events
    const auto& m = chat->Messages;
    EXPECT_EQ(m[0].Message, "Chat window opened");
    EXPECT_EQ(m[1].Message, "heeeeeey there");
    EXPECT_EQ(m[1].Sender, "theirsn");
    EXPECT_TRUE(m[1].FromMe);  // the log's account is "theirsn"
    EXPECT_EQ(m[1].Timestamp, utcDate(2007, 3, 25, 16, 31, 28));
    EXPECT_EQ(m[5].Message, "i haven't talked to you in forever");
    EXPECT_FALSE(m[5].FromMe);
    EXPECT_EQ(m[43].Message, "theirsn went offline");
    EXPECT_EQ(m[43].Timestamp, utcDate(2007, 3, 25, 18, 26, 30));
    EXPECT_EQ(m[44].Message, "Chat window closed");
    int fromMe = 0;
    for (const MessageRecord& r : m) fromMe += r.FromMe;
    EXPECT_EQ(fromMe, 23);
    EXPECT_EQ(chat->Participants, (std::vector<std::string>{"theirsn", "mysn"}));
    EXPECT_EQ(chat->StartDate, utcDate(2007, 3, 25, 16, 31, 28));
    EXPECT_EQ(chat->EndDate, utcDate(2007, 3, 25, 18, 26, 26));
    EXPECT_FALSE(chat->HasHyperlinks);
    EXPECT_FALSE(chat->HasEmails);
}

TEST_F(AdiumCorpus, AimChatlogFolderWithEveryStatusType) {
    auto chat = talv::AdiumXMLLogParser().parseLogFile(logs() / "AIM.aimsource" / "aimdest" / "aimdest (2011-12-09T01.13.43-0800).chatlog");
    ASSERT_TRUE(chat);
    EXPECT_EQ(texts(*chat), (std::vector<std::string>{
                                "Chat window opened",
                                "regular message",
                                "regular message",
                                "",
                                "char>message÷",
                                "multiline\nmessage\n",
                                "delayed message dest",
                                "delayed message source",
                                "aimdest went away",
                                "aimdest is online",
                                "You have disconnected",
                                "You have connected",
                                "aimdest is available",
                                "aimdest went away: I'm not here right now>",
                                "aimdest went idle",
                                "aimdest is online",
                                "aimdest is available",
                                "A message may not have been sent; a timeout occurred.",
                                "this is an autoreply",
                                "system message",
                                "aimdest is on a mobile device",
                                "aimdest is available",
                                "Chat window closed",
                            }));
    const auto& m = chat->Messages;
    EXPECT_EQ(m[1].Sender, "aimsource");
    EXPECT_TRUE(m[1].FromMe);
    EXPECT_EQ(m[2].Sender, "aimdest");
    EXPECT_FALSE(m[2].FromMe);
    EXPECT_EQ(m[6].Timestamp, utcDate(2011, 12, 9, 9, 24, 3));  // delayed: earlier than the line before
    EXPECT_EQ(m[18].Sender, "aimdest");
    EXPECT_EQ(m[22].Timestamp, utcDate(2011, 12, 10, 12, 11, 24));
    EXPECT_EQ(chat->Participants, (std::vector<std::string>{"aimsource", "aimdest"}));
    EXPECT_EQ(chat->StartDate, utcDate(2011, 12, 9, 9, 13, 43));
    EXPECT_EQ(chat->EndDate, utcDate(2011, 12, 10, 9, 16, 5));
    EXPECT_FALSE(chat->HasHyperlinks);
    EXPECT_FALSE(chat->HasEmails);
    EXPECT_FALSE(chat->HasPictures);
}

TEST_F(AdiumCorpus, GroupChatAndPrettyPrintedJabberLog) {
    auto group = talv::AdiumXMLLogParser().parseLogFile(
        logs() / "GTalk.source@gmail.com" / "private-chat-00000000-0000-0000-0000-000000000000@groupchat.google.com" /
        "private-chat-00000000-0000-0000-0000-000000000000@groupchat.google.com (2011-08-20T20.59.21-0700).chatlog");
    ASSERT_TRUE(group);
    EXPECT_EQ(texts(*group), (std::vector<std::string>{"A_gmail.com entered the room.", "B_gmail.com entered the room.",
                                                        "test", "what", "test2"}));
    EXPECT_EQ(group->Participants, (std::vector<std::string>{"A_gmail.com", "source@gmail.com", "B_gmail.com"}));
    EXPECT_FALSE(group->Messages[2].FromMe);
    EXPECT_TRUE(group->Messages[3].FromMe);
    EXPECT_EQ(group->StartDate, utcDate(2011, 8, 21, 3, 59, 21));
    EXPECT_EQ(group->EndDate, utcDate(2011, 8, 21, 3, 59, 31));

    auto jabber = talv::AdiumXMLLogParser().parseLogFile(
        logs() / "Jabber.user@example.com" / "otheruser@example.com" / "otheruser@example.com (2013-11-03T22.44.16+0100).chatlog");
    ASSERT_TRUE(jabber);
    ASSERT_EQ(jabber->Messages.size(), 8u);
    const auto& m = jabber->Messages;
    EXPECT_EQ(m[1].Message, "\n\t\twelcome back....\n\t");  // white space as in the file
    EXPECT_EQ(trimmed(m[2].Message), "schön erholt?");
    EXPECT_TRUE(m[2].FromMe);
    EXPECT_EQ(trimmed(m[3].Message), "hey, guten abend");
    EXPECT_FALSE(m[3].FromMe);
    EXPECT_EQ(m[5].Message,
              "\n\t\t\n\t\t\tsha256:  41ee020e507ae2baece0e5b5b947503b5e44b160221d85b60570ad397bb283cb\n\t\t\t\n\n\t\t\t"
              "icq#: 123456789\n\t\t\t\n\n\t\t\talias: otheruser\n\t\t\n\t");
    EXPECT_EQ(m[5].Timestamp, utcDate(2008, 7, 3, 22, 3, 55));
    EXPECT_NE(m[6].Message.find("http://www.bichlmeier.info/sha256.html"), std::string::npos);
    EXPECT_EQ(jabber->Participants, (std::vector<std::string>{"user@example.com", "otheruser@example.com"}));
    EXPECT_EQ(jabber->StartDate, utcDate(2013, 11, 3, 21, 44, 20));
    EXPECT_EQ(jabber->EndDate, jabber->StartDate);  // the last sender line is a delayed one from 2008
    EXPECT_TRUE(jabber->HasHyperlinks);
    EXPECT_FALSE(jabber->HasEmails);
}

// Every reader on every cut and a scattering of damaged bytes of every real log: never a crash,
// and the XML readers keep the messages before the damage.
TEST_F(AdiumCorpus, DamagedCopiesOfRealLogsNeverFail) {
    talv::test::TempDir dir;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(corpus()))
        if (entry.is_regular_file() && entry.path().extension() != ".png") files.push_back(entry.path());
    ASSERT_EQ(files.size(), 5u);
    for (const fs::path& file : files) {
        std::string bytes = talv::test::readFile(file);
        for (std::size_t cut = 0; cut < bytes.size(); cut += 211) {
            std::string damaged = bytes.substr(0, cut);
            if (cut % 2) damaged[cut / 2] = static_cast<char>(cut * 7);
            talv::test::writeFile(dir / "log (2006-09-23).html", damaged);
            talv::test::writeFile(dir / "log.chatlog", damaged);
            EXPECT_NO_THROW({
                talv::AdiumLogParser().parseLogFile(dir / "log (2006-09-23).html");
                talv::FireXMLLogParser().parseLogFile(dir / "log.chatlog");
                // A damaged start holds no document; anything else keeps what came before the damage.
                if (auto chat = talv::AdiumXMLLogParser().parseLogFile(dir / "log.chatlog")) {
                    EXPECT_TRUE(chat->StartDate && chat->EndDate && *chat->StartDate <= *chat->EndDate);
                }
            });
        }
    }
}
