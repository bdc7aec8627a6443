// What copies of old Mac homes hold: damaged messages and bytes, AppleDouble companions, plain-text
// logs under HTML names, copied files, FIFOs and devices named like transcripts, unreadable files.
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"
#include "tests/import/FaultInjectingFileSystem.h"
#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"
#include "tools/KeyedArchiveWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace talv;
using talv::test::localDate;
using talv::test::TempDir;
using talv::test::writeFile;

namespace {

struct CollectingReporter : ReadReporter {
    std::vector<std::string> failures, skips, drops;
    void failed(const fs::path& path, std::string_view reason) override {
        failures.push_back(path.filename().string() + ": " + std::string(reason));
    }
    void skipped(const fs::path& path, std::string_view reason) override {
        skips.push_back(path.filename().string() + ": " + std::string(reason));
    }
    void dropped(const fs::path& path, std::string_view reason) override {
        drops.push_back(path.filename().string() + ": " + std::string(reason));
    }
};

std::string htmlMessage(const std::string& sender, const std::string& text) {
    return "<div class=\"receive\"><span class=\"timestamp\">5:00:00 PM</span> <span class=\"sender\">" + sender +
           ": </span><pre class=\"message\">" + text + "</pre></div>\n";
}

}  // namespace

TEST(ReaderRobustness, IChatLeavesOutAMalformedMessageAloneAndNamesWhomASystemLineIsAbout) {
    tools::KeyedArchiveWriter w;
    auto person = [&](const char* id) {
        return w.encodeObject("Presentity", {"NSObject"}, {{"ID", w.encodeString(id)}, {"ServiceName", w.encodeString("AIM")}});
    };
    const tools::Uid alice = person("alice"), bob = person("bob");
    auto message = [&](tools::Uid sender, tools::Uid time, const char* text, tools::Uid subject) {
        return w.encodeObject("InstantMessage", {"NSObject"},
                              {{"Sender", sender}, {"Time", time}, {"MessageText", w.encodeString(text)},
                               {"Flags", std::int64_t{1}}, {"Subject", subject}});
    };
    const tools::Uid messages = w.encodeArray({message(alice, w.encodeDate(Date{1150000000}), "hello", {}),
                                               message(alice, w.encodeString("yesterday"), "a damaged date", {}),
                                               message({}, w.encodeDate(Date{1150000060}), "%@ went away", bob)});
    const Bytes bytes = w.finish({{"root", w.encodeArray({w.encodeString("AIM"), w.encodeString(""), messages,
                                                          w.encodeArray({alice, bob})})}});
    TempDir dir;
    writeFile(dir / "chat.ichat", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

    CollectingReporter reporter;
    auto chat = IChatReader::readChatFile((dir / "chat.ichat").string(), FileSystem::local(), reporter);
    ASSERT_TRUE(chat);
    ASSERT_EQ(chat->Messages.size(), 2u);
    EXPECT_EQ(chat->Messages[0].Message, "hello");
    EXPECT_EQ(chat->Messages[1].Message, "bob went away");
    ASSERT_EQ(reporter.drops.size(), 1u);
    EXPECT_NE(reporter.drops[0].find("date is a NSString"), std::string::npos);

    // The file is read whole through the file system, never mapped: a read that fails is reported.
    talv::test::FaultInjectingFileSystem faulty;
    faulty.failOpen(1);
    EXPECT_FALSE(IChatReader::readChatFile((dir / "chat.ichat").string(), faulty, reporter));
    EXPECT_EQ(reporter.failures.size(), 1u);
}

TEST(ReaderRobustness, HtmlLogsDecodeOnceStripNamesAndStatusesAndReadPlainTextLogs) {
    TempDir dir;
    CollectingReporter reporter;
    const AdiumLogParser parser(FileSystem::local(), reporter);

    writeFile(dir / "a (2005-03-12).html",
              "\xEF\xBB\xBF" + htmlMessage("Tom &amp; Jerry", "caf\xC3\xA9 \xFF &amp;lt;b&amp;gt;") +
                  "<div class=\"status\"><span class=\"alias\">bob@jabber.org</span> went away (5:01:00 PM)</div>\n");
    auto html = parser.parseLogFile(dir / "a (2005-03-12).html");
    ASSERT_TRUE(html);
    ASSERT_EQ(html->Messages.size(), 2u);
    EXPECT_EQ(html->Messages[0].Sender, "Tom & Jerry");
    EXPECT_EQ(html->Messages[0].Message, "café \uFFFD &lt;b&gt;");  // one bad byte, not the whole file
    EXPECT_EQ(html->Messages[1].Message, "bob@jabber.org went away (5:01:00 PM)");
    EXPECT_FALSE(html->HasEmails);  // an address in a status line only

    // A copy keeps its modification date but is born now: its day is the earlier one.
    writeFile(dir / "bob.html", htmlMessage("bob", "hi"));
    talv::test::setModificationDate(dir / "bob.html", localDate(2005, 3, 12, 12, 0, 0).secondsSince1970);
    auto copied = parser.parseLogFile(dir / "bob.html");
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->Messages.at(0).Timestamp, localDate(2005, 3, 12, 17, 0, 0));

    // Adium 1.0 renamed plain-text logs too.
    const fs::path text = dir / "Logs/AIM.me/bob/bob (2004|05|17).AdiumHTMLLog";
    writeFile(text, "(12:00:01) bob: hi: there\n(12:00:05) ME: two\nlines\n<bob went away (12:01:00)>\n");
    auto plain = parser.parseLogFile(text);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->Messages.size(), 3u);
    EXPECT_EQ(plain->Messages[0].Sender, "bob");
    EXPECT_EQ(plain->Messages[0].Message, "hi: there");
    EXPECT_EQ(plain->Messages[0].Timestamp, localDate(2004, 5, 17, 12, 0, 1));
    EXPECT_TRUE(plain->Messages[1].FromMe);
    EXPECT_EQ(plain->Messages[1].Message, "two\nlines");
    EXPECT_EQ(plain->Messages[2].Message, "bob went away (12:01:00)");
    EXPECT_EQ(plain->Participants, (std::vector<std::string>{"bob", "ME"}));

    writeFile(dir / "notes (2005-03-12).html", "<html><body><p>not a chat</p></body></html>");
    EXPECT_FALSE(parser.parseLogFile(dir / "notes (2005-03-12).html"));
    EXPECT_EQ(reporter.skips.size(), 1u);
    EXPECT_TRUE(reporter.failures.empty());
}

TEST(ReaderRobustness, FilesThatHoldNoLogGiveNoChatAndAReport) {
    TempDir dir;
    CollectingReporter reporter;
    const std::string appleDouble("\0\5\x16\7\0\2\0\0Mac OS X        \0\2", 26);
    writeFile(dir / "._x.chatlog", appleDouble);
    writeFile(dir / "garbage.xhtml", "\x89PNG\r\n\x1a\n");
    writeFile(dir / "page.chatlog", "<html><body>not a chat</body></html>");
    EXPECT_FALSE(AdiumXMLLogParser(FileSystem::local(), reporter).parseLogFile(dir / "._x.chatlog"));
    EXPECT_FALSE(FireXMLLogParser(FileSystem::local(), reporter).parseLogFile(dir / "garbage.xhtml"));
    EXPECT_FALSE(AdiumXMLLogParser(FileSystem::local(), reporter).parseLogFile(dir / "page.chatlog"));
    EXPECT_EQ(reporter.skips.size(), 3u);
    EXPECT_TRUE(reporter.failures.empty());
}

TEST(ReaderRobustness, FifosDevicesAndUnreadableFilesAreReportedFailuresNeverWaitedOn) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe (2005-03-12).html").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.xhtml");
    fs::create_directory(dir / "folder.ichat");
    writeFile(dir / "x.chatlog", "<chat/>");

    CollectingReporter reporter;
    EXPECT_FALSE(AdiumLogParser(FileSystem::local(), reporter).parseLogFile(dir / "pipe (2005-03-12).html"));
    EXPECT_FALSE(FireXMLLogParser(FileSystem::local(), reporter).parseLogFile(dir / "zero.xhtml"));
    EXPECT_FALSE(IChatReader::readChatFile((dir / "folder.ichat").string(), FileSystem::local(), reporter));
    talv::test::FaultInjectingFileSystem denied;
    denied.failOpen(1, std::errc::permission_denied);
    EXPECT_FALSE(AdiumXMLLogParser(denied, reporter).parseLogFile(dir / "x.chatlog"));
    ASSERT_EQ(reporter.failures.size(), 4u);
    EXPECT_EQ(reporter.failures[0], "pipe (2005-03-12).html: not a regular file");
    EXPECT_EQ(reporter.failures[3], "x.chatlog: Permission denied");
    EXPECT_TRUE(reporter.skips.empty());
}
