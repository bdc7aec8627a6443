#include "import/FireXMLLogParser.h"

#include "platform/Log.h"
#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::ChatRecord;
using talv::FireXMLLogParser;
using talv::test::utcDate;

namespace {

std::optional<ChatRecord> parse(const std::string& xml) {
    talv::test::TempDir dir;
    talv::test::writeFile(dir / "2006-08-02, 18.00.xhtml", xml);
    return FireXMLLogParser().parseLogFile(dir / "2006-08-02, 18.00.xhtml");
}

}  // namespace

TEST(FireXMLLogParser, EnvelopesAndStatusEvents) {
    talv::LogCapture log;
    ChatRecord chat = *parse(R"(<?xml version="1.0" encoding="UTF-8"?>
<log began="2006-08-02 18:00:57 +0200">
<envelope><sender self="no">me</sender>
  <message received="2006-08-02 18:00:57 +0200">one</message>
  <message received="2006-08-02T18:01:00+02:00">two <b>bold</b><br/>line</message>
  <message received="Tuesday">three</message>
  <other>ignored</other>
</envelope>
<envelope><sender>Friend<img src="icon.png"/> tail</sender><message received="2006-08-02 18:02:00 +0200">hi www.example.com</message></envelope>
<envelope><message received="2006-08-02 18:03:00 +0200">nobody</message></envelope>
<event name="statuschanged" occurred="2006-08-02 18:04:00 +0200">
  <message service="AIM">Friend went away</message><message>no service: skipped</message>
</event>
<event name="MemberJoined" occurred="2006-08-02 18:05:00 +0200"><message service="AIM">joined</message></event>
<event occurred="2006-08-02 18:05:00 +0200"><message service="AIM">no name</message></event>
<envelope><sender>Friend</sender><message received="2006-08-02 17:00:00 +0200">delayed</message></envelope>
</log>)");
    ASSERT_EQ(chat.Messages.size(), 7u);
    const auto& m = chat.Messages;
    EXPECT_EQ(m[0].Sender, "me");
    EXPECT_TRUE(m[0].FromMe);  // "self" of any value
    EXPECT_EQ(m[0].Timestamp, utcDate(2006, 8, 2, 16, 0, 57));
    EXPECT_EQ(m[1].Message, "two bold\nline");
    EXPECT_EQ(m[1].Timestamp, utcDate(2006, 8, 2, 16, 1, 0));
    EXPECT_EQ(m[2].Timestamp, std::nullopt);
    EXPECT_TRUE(m[2].FromMe);
    EXPECT_EQ(m[3].Sender, "Friend");  // the text before the sender's first child
    EXPECT_FALSE(m[3].FromMe);
    EXPECT_EQ(m[4].Sender, "");
    EXPECT_EQ(m[5].Message, "Friend went away");
    EXPECT_EQ(m[5].Sender, "");
    EXPECT_EQ(m[5].Timestamp, utcDate(2006, 8, 2, 16, 4, 0));
    EXPECT_EQ(m[6].Message, "delayed");

    EXPECT_EQ(chat.Kind, "Fire");
    EXPECT_EQ(chat.Participants, (std::vector<std::string>{"me", "Friend"}));
    EXPECT_EQ(chat.StartDate, utcDate(2006, 8, 2, 16, 0, 57));
    EXPECT_EQ(chat.EndDate, chat.StartDate);  // the last sender line is older than the start
    EXPECT_TRUE(chat.HasHyperlinks);
    EXPECT_FALSE(chat.HasPictures);

    EXPECT_TRUE(log.contains("Sender = me (self = YES)"));
    EXPECT_TRUE(log.contains("Sender = Friend (self = no)"));
    EXPECT_TRUE(log.contains("Sender = (null) (self = no)"));
    EXPECT_TRUE(log.contains("[Fire] Unsupported event name \"MemberJoined\""));
    EXPECT_EQ(log.lines().size(), 5u);
}

TEST(FireXMLLogParser, UnreadableOrForeignFilesGiveNoChat) {
    talv::test::TempDir dir;
    EXPECT_FALSE(FireXMLLogParser().parseLogFile(dir / "missing.xhtml"));
    EXPECT_FALSE(parse("<html><body>not a log</body></html>"));
    EXPECT_FALSE(parse(std::string("\0\1\2garbage", 10)));

    auto cut = parse("<log><envelope><sender>a</sender><message received=\"2006-08-02 18:00:57 +0200\">x</message>"
                     "<message>half");
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->Messages.size(), 2u);
    EXPECT_EQ(cut->Messages[1].Message, "half");
}
