#include "import/AdiumLogParser.h"

#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"

#include <fmt/format.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>

using talv::AdiumLogParser;
using talv::ChatRecord;
using talv::test::localDate;

namespace {

std::string message(const char* cls, const char* time, const char* sender, const char* text) {
    return fmt::format("<div class=\"{}\"><span class=\"timestamp\">{}</span> <span class=\"sender\">{}</span>"
                       "<pre class=\"message\">{}</pre></div>\n",
                       cls, time, sender, text);
}

ChatRecord parse(const std::string& name, const std::string& contents) {
    talv::test::TempDir dir;
    talv::test::writeFile(dir / name, contents);
    auto chat = AdiumLogParser().parseLogFile(dir / name);
    EXPECT_TRUE(chat);
    return chat.value_or(ChatRecord{});
}

}  // namespace

TEST(AdiumLogParser, MessagesTakeSenderTimeAndDirectionFromTheirFragment) {
    ChatRecord chat = parse("alice (2005-03-12).html",
                            message("send", "5:32:07 PM", "alice: ", "hello") +
                                message("receive", "5:33:00 PM", "bob: ", "hi") +
                                message("Whisper", "5:34:00 PM", "bob", "psst") +
                                message("SEND", "17:35:00", "a:b: ", "colons") +
                                message("send", "5:36 PM", "alice: ", "no seconds: dropped") +
                                message("send", "", "alice: ", "no time: dropped") +
                                "<div class=\"send\"><span class=\"timestamp\">5:37:00 PM</span> <pre "
                                "class=\"message\">no sender: dropped</pre></div>\n" +
                                message("send", "5:38:00 PM", "alice: ", "pre spanning\nlines"));
    ASSERT_EQ(chat.Messages.size(), 5u);
    const auto& m = chat.Messages;
    EXPECT_EQ(m[0].Sender, "alice");
    EXPECT_EQ(m[0].Message, "hello");
    EXPECT_TRUE(m[0].FromMe);
    EXPECT_EQ(m[0].Timestamp, localDate(2005, 3, 12, 17, 32, 7));
    EXPECT_FALSE(m[0].InlineImage);
    EXPECT_FALSE(m[1].FromMe);
    EXPECT_EQ(m[2].Sender, "bob");
    EXPECT_FALSE(m[2].FromMe);
    EXPECT_EQ(m[3].Sender, "a:b");
    EXPECT_TRUE(m[3].FromMe);
    EXPECT_EQ(m[3].Timestamp, localDate(2005, 3, 12, 17, 35, 0));
    EXPECT_EQ(m[4].Message, "pre spanning\nlines");
    EXPECT_EQ(chat.Kind, "Adium");
    EXPECT_EQ(chat.Participants, (std::vector<std::string>{"alice", "bob", "a:b"}));
}

TEST(AdiumLogParser, StatusLinesKeepTheirWholeTextWithoutMarkupAndATimeWithSeconds) {
    ChatRecord chat = parse("x (2004|05|17).html",
                            "<div class=\"Status\">Bob went away (5:32:07 PM)</div>\n"
                            "<div class=\"status\">Bob came back (5:40 PM)</div>\n"
                            "<div class=\"status\">Away &amp; <b>out</b>\n\"gone\" ? (1:02:03 AM)</div>\n");
    ASSERT_EQ(chat.Messages.size(), 3u);
    EXPECT_EQ(chat.Messages[0].Message, "Bob went away (5:32:07 PM)");
    EXPECT_EQ(chat.Messages[0].Sender, "");
    EXPECT_EQ(chat.Messages[0].Timestamp, localDate(2004, 5, 17, 17, 32, 7));
    EXPECT_EQ(chat.Messages[1].Timestamp, std::nullopt);
    EXPECT_EQ(chat.Messages[2].Message, "Away & out\n\"gone\" ? (1:02:03 AM)");
    EXPECT_EQ(chat.Messages[2].Timestamp, localDate(2004, 5, 17, 1, 2, 3));
    EXPECT_TRUE(chat.Participants.empty());
}

TEST(AdiumLogParser, SummaryListsParticipantsOnceAndEndsAtTheLastSenderLine) {
    ChatRecord chat = parse("a (2005-03-12).html",
                            message("receive", "1:00:00 PM", "A: ", "see www.example.com.") +
                                message("send", "1:01:00 PM", "B: ", "mail me at b@example.org") +
                                message("receive", "1:02:00 PM", "A: ", "ok") +
                                "<div class=\"status\">A went away (11:00:00 PM)</div>\n");
    EXPECT_EQ(chat.Participants, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(chat.StartDate, localDate(2005, 3, 12, 13, 0, 0));
    EXPECT_EQ(chat.EndDate, localDate(2005, 3, 12, 13, 2, 0));
    EXPECT_TRUE(chat.HasHyperlinks);
    EXPECT_TRUE(chat.HasEmails);
    EXPECT_FALSE(chat.HasPictures);

    // Out of order: the end is never before the start; an untimed first line takes the first time.
    ChatRecord reversed = parse("r (2005-03-12).html",
                                "<div class=\"status\">no time</div>\n" + message("receive", "3:00:00 PM", "A: ", "x") +
                                    message("receive", "2:00:00 PM", "A: ", "y"));
    EXPECT_EQ(reversed.StartDate, localDate(2005, 3, 12, 15, 0, 0));
    EXPECT_EQ(reversed.EndDate, reversed.StartDate);
    EXPECT_FALSE(reversed.HasHyperlinks);
}

TEST(AdiumLogParser, MarkupIsStrippedAndReferencesExpanded) {
    EXPECT_EQ(AdiumLogParser::stripALinks(R"(go <a href="http://x.org/" title="t">x.org</a> now <A HREF="y">y</A>)"),
              "go x.org now y");
    EXPECT_EQ(AdiumLogParser::stripHTMLTags("<font\ncolor=\"red\">red</font> <b>bold</b>"), "red bold");
    EXPECT_EQ(AdiumLogParser::stripHTMLTags("one<br>two<BR/>three<br />four"), "one\ntwo\nthree\nfour");

    auto expand = AdiumLogParser::expandHTMLEntities;
    EXPECT_EQ(expand(""), "");
    EXPECT_EQ(expand("&#8364; &#  65; &#+66;"), "€ A B");
    std::string grin = expand("&#128512;");
    EXPECT_EQ(grin, "\xF0\x9F\x98\x80");
    glong units = 0;
    std::unique_ptr<gunichar2, decltype(&g_free)> utf16(g_utf8_to_utf16(grin.c_str(), -1, nullptr, &units, nullptr),
                                                        &g_free);
    ASSERT_EQ(units, 2);
    EXPECT_EQ(utf16.get()[0], 0xD83D);
    EXPECT_EQ(utf16.get()[1], 0xDE00);
    EXPECT_EQ(expand("&#55357;&#56832;"), grin);              // a character written as its UTF-16 halves
    EXPECT_EQ(expand("&#x20AC;&#X41;"), "€A");                // hexadecimal
    // References that name no character become U+FFFD.
    EXPECT_EQ(expand("&#;|&#abc;|&#-5;|&#55357;|&#1114112;|&#99999999999;"), "�|�|�|�|�|�");
    EXPECT_EQ(expand("&#38;#65;"), "&#65;");                  // expanded text is not read again
    EXPECT_EQ(expand("&QUOT;a&amp;b&Lt;c&gt;&nbsp;<Br>x"), "\"a&b<c> \nx");
    EXPECT_EQ(expand("&amp;lt;b&amp;gt; &#38;amp;"), "&lt;b&gt; &amp;");  // each reference expanded once

    ChatRecord chat = parse("c (2005-03-12).html",
                            message("send", "1:00:00 PM", "me: ",
                                    R"(<span style="x"><a href="http://a.org/" title="http://a.org/">http://a.org/</a> &amp; <b>more</b><br>next</span>)"));
    ASSERT_EQ(chat.Messages.size(), 1u);
    EXPECT_EQ(chat.Messages[0].Message, "http://a.org/ & more\nnext");
    EXPECT_TRUE(chat.HasHyperlinks);
}

TEST(AdiumLogParser, DaysComeFromTheNameElseTheFilesCreation) {
    talv::test::TempDir dir;
    talv::test::writeFile(dir / "bob.html", message("receive", "12:00:01 AM", "bob: ", "x"));
    auto chat = AdiumLogParser().parseLogFile(dir / "bob.html");
    ASSERT_TRUE(chat);
    ASSERT_EQ(chat->Messages.size(), 1u);
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> now(g_date_time_new_now_local(), &g_date_time_unref);
    EXPECT_EQ(chat->Messages[0].Timestamp, localDate(g_date_time_get_year(now.get()), g_date_time_get_month(now.get()),
                                                     g_date_time_get_day_of_month(now.get()), 0, 0, 1));
}

TEST(AdiumLogParser, UnreadableFilesGiveNothingAndOddOnesNeverFail) {
    talv::test::TempDir dir;
    EXPECT_FALSE(AdiumLogParser().parseLogFile(dir / "missing (2005-03-12).html"));
    talv::test::writeFile(dir / "binary.html", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(AdiumLogParser().parseLogFile(dir / "binary.html"));

    talv::test::writeFile(dir / "empty.html", "");
    EXPECT_FALSE(AdiumLogParser().parseLogFile(dir / "empty.html"));

    // Not UTF-8: read as Mac OS Roman. Cut off in the middle of a fragment: the rest still counts.
    auto roman = parse("r (2005-03-12).html", message("receive", "1:00:00 PM", "r\x8Ene: ", "caf\x8E") +
                                                   "<div class=\"receive\"><span class=\"timestamp\">1:0");
    ASSERT_EQ(roman.Messages.size(), 1u);
    EXPECT_EQ(roman.Messages[0].Sender, "réne");
    EXPECT_EQ(roman.Messages[0].Message, "café");
}
