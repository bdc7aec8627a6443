// The transcript writers, read back by the readers.
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "platform/Log.h"
#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"
#include "tools/AdiumHTMLLogWriter.h"
#include "tools/AdiumXMLLogWriter.h"
#include "tools/FireLogWriter.h"

#include <glib.h>
#include <gtest/gtest.h>

using talv::ChatRecord;
using talv::LogEntry;
using talv::test::localDate;

namespace fs = std::filesystem;

namespace {

using Kind = LogEntry::Kind;

LogEntry entry(Kind kind, std::string sender, std::string alias, talv::Date time, std::string text,
               std::string type = "", bool fromMe = false) {
    LogEntry e;
    e.kind = kind;
    e.sender = std::move(sender);
    e.alias = std::move(alias);
    e.time = time;
    e.text = std::move(text);
    e.type = std::move(type);
    e.fromMe = fromMe;
    return e;
}

// A summer day in New York, so that the offsets written differ from the winter ones.
std::vector<LogEntry> sampleChat() {
    std::vector<LogEntry> chat = {
        entry(Kind::Event, "me@example.com", "", localDate(2009, 7, 4, 9, 0, 0), "", "windowOpened"),
        entry(Kind::Message, "me@example.com", "Me", localDate(2009, 7, 4, 9, 0, 1), "see www.example.com, ok", "", true),
        entry(Kind::Message, "me@example.com", "Me", localDate(2009, 7, 4, 9, 0, 2), "line one\nline two", "", true),
        entry(Kind::Message, "friend@example.com", "Friend", localDate(2009, 7, 4, 13, 5, 9),
              "<b>&amp; \"quoted\" café 😀 write to a.b@example.org"),
        entry(Kind::Status, "friend@example.com", "Friend", localDate(2009, 7, 4, 13, 6, 0), "at lunch", "away"),
        entry(Kind::Message, "friend@example.com", "", localDate(2009, 7, 4, 23, 59, 59), "last, https://x.org/a?b=1"),
        entry(Kind::Event, "me@example.com", "", localDate(2009, 7, 4, 23, 59, 59), "", "windowClosed"),
    };
    chat[5].picture = talv::LogPicture{"image.png", talv::Bytes{0x89, 'P', 'N', 'G'}};
    return chat;
}

bool xmllintAccepts(const fs::path& file) {
    std::string path = file.string();
    const gchar* argv[] = {"xmllint", "--noout", path.c_str(), nullptr};
    gint status = -1;
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                      nullptr, &status, nullptr))
        return false;
    return g_spawn_check_wait_status(status, nullptr);
}

void expectMessagesRoundTrip(const ChatRecord& chat, const std::vector<std::size_t>& messageIndexes) {
    auto entries = sampleChat();
    std::size_t n = 0;
    for (const auto& record : chat.Messages) {
        if (record.Sender.empty()) continue;
        ASSERT_LT(n, messageIndexes.size());
        const LogEntry& e = entries[messageIndexes[n++]];
        EXPECT_EQ(record.Sender, e.sender);
        EXPECT_EQ(record.Message, e.text);
        EXPECT_EQ(record.Timestamp, e.time);
        EXPECT_EQ(record.FromMe, e.fromMe);
    }
    EXPECT_EQ(n, messageIndexes.size());
    EXPECT_EQ(chat.Participants, (std::vector<std::string>{"me@example.com", "friend@example.com"}));
    EXPECT_TRUE(chat.HasHyperlinks);
    EXPECT_TRUE(chat.HasEmails);
}

}  // namespace

TEST(LogWriters, AdiumHtmlLogsReadBack) {
    talv::test::TempDir dir;
    auto entries = sampleChat();
    std::string name = talv::AdiumHTMLLogWriter::fileName("friend@example.com", entries[0].time);
    EXPECT_EQ(name, "friend@example.com (2009-07-04).html");
    ASSERT_TRUE(talv::AdiumHTMLLogWriter::write(dir / name, entries));
    auto chat = talv::AdiumLogParser().parseLogFile(dir / name);
    ASSERT_TRUE(chat);
    ASSERT_EQ(chat->Messages.size(), 7u);
    expectMessagesRoundTrip(*chat, {1, 2, 3, 5});
    EXPECT_EQ(chat->Messages[4].Message, "at lunch (1:06:00 PM)");
    EXPECT_EQ(chat->Messages[4].Timestamp, entries[4].time);
    EXPECT_EQ(chat->StartDate, entries[0].time);
    EXPECT_EQ(chat->EndDate, entries[5].time);
    EXPECT_EQ(talv::AdiumHTMLLogWriter::timeOfDay(localDate(2009, 7, 4, 0, 5, 6)), "12:05:06 AM");
    EXPECT_EQ(talv::AdiumHTMLLogWriter::timeOfDay(localDate(2009, 7, 4, 12, 0, 0)), "12:00:00 PM");
}

TEST(LogWriters, AdiumXmlLogsReadBackInFileAndFolderForm) {
    talv::test::TempDir dir;
    auto entries = sampleChat();
    std::string name = talv::AdiumXMLLogWriter::fileName("friend@example.com", entries[0].time);
    EXPECT_EQ(name, "friend@example.com (2009-07-04T09.00.00-0400).chatlog");

    ASSERT_TRUE(talv::AdiumXMLLogWriter::writeFile(dir / "file" / name, "Me@Example.com", "Jabber", entries));
    ASSERT_TRUE(talv::AdiumXMLLogWriter::writeFolder(dir / "folder" / name, "Me@Example.com", "Jabber", entries));
    fs::path folderXml = dir / "folder" / name / "friend@example.com (2009-07-04T09.00.00-0400).xml";
    EXPECT_TRUE(xmllintAccepts(dir / "file" / name));
    EXPECT_TRUE(xmllintAccepts(folderXml));
    EXPECT_EQ(talv::test::readFile(dir / "folder" / name / "image.png"), "\x89PNG");
    EXPECT_NE(talv::test::readFile(folderXml).find("src=\"image.png\""), std::string::npos);
    EXPECT_EQ(talv::test::readFile(dir / "file" / name).find("<img"), std::string::npos);

    for (const fs::path& path : {dir / "file" / name, dir / "folder" / name}) {
        auto chat = talv::AdiumXMLLogParser().parseLogFile(path);
        ASSERT_TRUE(chat) << path;
        ASSERT_EQ(chat->Messages.size(), 7u);
        expectMessagesRoundTrip(*chat, {1, 2, 3, 5});
        EXPECT_EQ(chat->Messages[0].Message, "Chat window opened");
        EXPECT_EQ(chat->Messages[4].Message, "friend@example.com went away: at lunch");
        EXPECT_EQ(chat->StartDate, entries[0].time);
        EXPECT_EQ(chat->EndDate, entries[5].time);
    }
}

TEST(LogWriters, FireLogsReadBack) {
    talv::test::TempDir dir;
    auto entries = sampleChat();
    entries[6].type = "MemberLeft";
    std::string name = talv::FireLogWriter::fileName(entries[0].time);
    EXPECT_EQ(name, "2009-07-04, 09.00.00.xhtml");
    ASSERT_TRUE(talv::FireLogWriter::write(dir / "friend-AIM" / name, "AIM", entries));
    EXPECT_TRUE(xmllintAccepts(dir / "friend-AIM" / name));

    talv::LogCapture log;
    ChatRecord chat = talv::FireXMLLogParser().parseLogFile(dir / "friend-AIM" / name).value();
    // Events other than status changes are skipped; the window-opened entry is one of them.
    ASSERT_EQ(chat.Messages.size(), 5u);
    expectMessagesRoundTrip(chat, {1, 2, 3, 5});
    EXPECT_EQ(chat.Messages[3].Message, "at lunch");
    EXPECT_EQ(chat.Messages[3].Timestamp, entries[4].time);
    EXPECT_EQ(chat.StartDate, entries[1].time);
    EXPECT_TRUE(log.contains("Sender = me@example.com (self = YES)"));
    EXPECT_TRUE(log.contains("[Fire] Unsupported event name \"windowOpened\""));
    EXPECT_TRUE(log.contains("[Fire] Unsupported event name \"MemberLeft\""));
    EXPECT_EQ(log.lines().size(), 5u);  // three envelopes (the status line splits the friend's run), two events
}
