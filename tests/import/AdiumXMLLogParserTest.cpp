#include "import/AdiumXMLLogParser.h"

#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::AdiumXMLLogParser;
using talv::ChatRecord;
using talv::test::utcDate;

namespace {

const char* kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<chat xmlns=\"http://purl.org/net/ulf/ns/0.4-02\"";

ChatRecord parse(const std::string& xml) {
    talv::test::TempDir dir;
    talv::test::writeFile(dir / "x.chatlog", xml);
    auto chat = AdiumXMLLogParser().parseLogFile(dir / "x.chatlog");
    EXPECT_TRUE(chat);
    return chat.value_or(ChatRecord{});
}

}  // namespace

TEST(AdiumXMLLogParser, TimesReadTheOffsetFormAndRejectTheRest) {
    auto read = AdiumXMLLogParser::rfcTimeStringToCalenarDate;
    EXPECT_EQ(read("2007-05-14T21:38:11-04:00"), utcDate(2007, 5, 15, 1, 38, 11));
    EXPECT_EQ(read("2013-11-03T22:44:20+01:00"), utcDate(2013, 11, 3, 21, 44, 20));
    EXPECT_EQ(read("2007-5-14 21:38:11 -0400"), utcDate(2007, 5, 15, 1, 38, 11));  // short: read as it stands
    EXPECT_FALSE(read("2007-05-14 21:38:11 -0400"));  // 25 characters: cut as the offset form
    for (const char* bad : {"2007-05-14T21:38:11.250-04:00", "2007-05-14T21:38:11Z", "2007-05-14T21:38:11",
                            "", "yesterday", "2007-13-14T21:38:11-04:00"})
        EXPECT_FALSE(read(bad)) << bad;
}

TEST(AdiumXMLLogParser, MessagesStatusesAndEvents) {
    ChatRecord chat = parse(std::string(kHead) + R"( account="Me@Example.com" service="Jabber">
text directly inside chat
<event type="windowOpened" sender="me@example.com" time="2007-05-14T21:38:11-04:00"/>
<message sender="ME@example.com" time="2007-05-14T21:38:12-04:00"><div><span>one</span> and
  <span>two</span></div></message>
<message sender="friend@example.com" time="2007-05-14T21:38:13.5-04:00" alias="Friend">multiline<br/>message<br/></message>
<message time="2007-05-14T21:38:14-04:00">no sender</message>
<status type="away" sender="friend@example.com" time="2007-05-14T21:39:00-04:00"><div>at lunch</div></status>
<status type="away" sender="friend@example.com" time="2007-05-14T21:40:00-04:00"></status>
<status type="purple" time="2007-05-14T21:41:00-04:00">B entered the room.</status>
<status type="no-such-type" sender="x" time="2007-05-14T21:42:00-04:00">dropped</status>
<status sender="x" time="2007-05-14T21:42:00-04:00">no type: dropped</status>
<event type="no-such-event" sender="x" time="2007-05-14T21:42:00-04:00"/>
<unknown>ignored</unknown>
<event type="windowClosed" sender="me@example.com" time="2007-05-14T22:00:00-04:00"/>
</chat>)");
    ASSERT_EQ(chat.Messages.size(), 8u);
    const auto& m = chat.Messages;
    EXPECT_EQ(m[0].Message, "Chat window opened");
    EXPECT_EQ(m[0].Sender, "");
    EXPECT_EQ(m[0].Timestamp, utcDate(2007, 5, 15, 1, 38, 11));
    EXPECT_EQ(m[1].Message, "one and\n  two");
    EXPECT_TRUE(m[1].FromMe);  // the account ignoring letter case
    EXPECT_EQ(m[2].Message, "multiline\nmessage\n");
    EXPECT_EQ(m[2].Sender, "friend@example.com");
    EXPECT_FALSE(m[2].FromMe);
    EXPECT_EQ(m[2].Timestamp, std::nullopt);  // fractional seconds
    EXPECT_EQ(m[3].Sender, "");
    EXPECT_EQ(m[3].Message, "no sender");
    EXPECT_EQ(m[4].Message, "friend@example.com went away: at lunch");
    EXPECT_EQ(m[4].Sender, "");
    EXPECT_FALSE(m[4].FromMe);
    EXPECT_EQ(m[5].Message, "friend@example.com went away");
    EXPECT_EQ(m[6].Message, "B entered the room.");
    EXPECT_EQ(m[7].Message, "Chat window closed");

    EXPECT_EQ(chat.Participants, (std::vector<std::string>{"ME@example.com", "friend@example.com"}));
    EXPECT_EQ(chat.StartDate, utcDate(2007, 5, 15, 1, 38, 11));
    EXPECT_EQ(chat.EndDate, utcDate(2007, 5, 15, 1, 38, 12));  // the last timed line with a sender
    EXPECT_FALSE(chat.HasEmails);  // the addresses stand in status lines and as senders only
    EXPECT_FALSE(chat.HasHyperlinks);
    EXPECT_EQ(chat.Kind, "Adium");

    ChatRecord noAccount = parse(std::string(kHead) + R"(><message sender="" time="x">a</message></chat>)");
    ASSERT_EQ(noAccount.Messages.size(), 1u);
    EXPECT_FALSE(noAccount.Messages[0].FromMe);
}

TEST(AdiumXMLLogParser, ChatlogFoldersAreReadThroughTheirXmlFile) {
    talv::test::TempDir dir;
    std::string xml = std::string(kHead) + R"( account="a"><message sender="a" time="2011-12-09T01:13:43-08:00">hi</message></chat>)";
    talv::test::writeFile(dir / "one.chatlog" / "notes.txt", "not the log");
    talv::test::writeFile(dir / "one.chatlog" / "._one.xml", std::string("\0\5\x16\7\0\2\0\0Mac OS X", 16));
    talv::test::writeFile(dir / "one.chatlog" / "another.xml", "<chat account=\"a\"/>");
    talv::test::writeFile(dir / "one.chatlog" / "one.xml", xml);
    auto one = AdiumXMLLogParser().parseLogFile(dir / "one.chatlog");
    ASSERT_TRUE(one);
    ASSERT_EQ(one->Messages.size(), 1u);
    EXPECT_TRUE(one->Messages[0].FromMe);

    talv::test::writeFile(dir / "two.chatlog" / "two.XML", xml);  // the extension is compared exactly
    EXPECT_FALSE(AdiumXMLLogParser().parseLogFile(dir / "two.chatlog"));

    EXPECT_FALSE(AdiumXMLLogParser().parseLogFile(dir / "missing.chatlog"));
}

TEST(AdiumXMLLogParser, DamagedDocumentsKeepTheirReadableStart) {
    std::string start = std::string(kHead) + R"( account="a">
<message sender="a" time="2011-12-09T01:13:43-08:00"><div>complete</div></message>
<message sender="b" time="2011-12-09T01:13:44-08:00"><div>cut in the mid)";
    ChatRecord cut = parse(start);
    ASSERT_EQ(cut.Messages.size(), 2u);
    EXPECT_EQ(cut.Messages[1].Message, "cut in the mid");
    EXPECT_EQ(cut.Messages[1].Timestamp, utcDate(2011, 12, 9, 9, 13, 44));

    ChatRecord wrongClose = parse(std::string(kHead) + R"( account="a">
<message sender="a" time="2011-12-09T01:13:43-08:00">one</message>
<message sender="b" time="2011-12-09T01:13:44-08:00">two</message></?xml>)");
    EXPECT_EQ(wrongClose.Messages.size(), 2u);

    ChatRecord latin1 = parse(std::string(kHead) + " account=\"a\">\n<message sender=\"a\" time=\"x\">ok</message>"
                                                   "<message sender=\"b\" time=\"x\">caf\xE9</message></chat>");
    ASSERT_EQ(latin1.Messages.size(), 2u);  // declared UTF-8: the parse stops at the first Latin-1 byte
    EXPECT_EQ(latin1.Messages[1].Message, "caf");

    ChatRecord utf16 = parse(std::string("\xFF\xFE<\0c\0h\0a\0t\0>\0<\0m\0e\0s\0s\0a\0g\0e\0>\0\xE9\0<\0/\0m\0e\0s\0s\0a\0g\0e\0>\0", 48));
    ASSERT_EQ(utf16.Messages.size(), 1u);
    EXPECT_EQ(utf16.Messages[0].Message, "é");
}
