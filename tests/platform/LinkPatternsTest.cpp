#include "platform/LinkPatterns.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using talv::RegexRange;

namespace {

std::string firstLink(std::string_view text) {
    auto links = talv::findLinks(text);
    return links.empty() ? std::string() : std::string(links.front().in(text));
}

std::string firstEmail(std::string_view text) {
    auto emails = talv::findEmails(text);
    return emails.empty() ? std::string() : std::string(emails.front().in(text));
}

}  // namespace

TEST(LinkPatterns, PatternsCompileAtTheirLengths) {
    EXPECT_EQ(talv::kLinkPattern.size(), 179u);
    EXPECT_EQ(talv::kEmailPattern.size(), 32u);
    EXPECT_TRUE(talv::linkPattern().isValid());
    EXPECT_TRUE(talv::emailPattern().isValid());
}

TEST(LinkPatterns, LinksStartWithSchemeOrWwwAndEndBeforePunctuation) {
    EXPECT_EQ(firstLink("see www.example.com today"), "www.example.com");
    EXPECT_EQ(firstLink("go to http://localhost:8080/status now"), "http://localhost:8080/status");
    EXPECT_EQ(firstLink("It is at http://example.org/a/b."), "http://example.org/a/b");
    EXPECT_EQ(firstLink("(see http://example.org/x)"), "http://example.org/x");
    EXPECT_EQ(firstLink("[http://example.org]"), "http://example.org");
    EXPECT_EQ(firstLink("say \"www.example.com\", ok"), "www.example.com");
    EXPECT_EQ(firstLink("ftp://user:pw@files.example.net/pub?x=1&y=2#top"),
              "ftp://user:pw@files.example.net/pub?x=1&y=2#top");
    EXPECT_EQ(firstLink("HTTP://EXAMPLE.COM"), "HTTP://EXAMPLE.COM");
    EXPECT_EQ(firstLink("http://bücher.de/straße"), "http://bücher.de/straße");
    EXPECT_EQ(firstLink("http://example.museum"), "");  // last label longer than four
    EXPECT_EQ(firstLink("example.com"), "");            // neither scheme nor www.
    EXPECT_FALSE(talv::containsLink("nothing here: a.b, c://"));
    EXPECT_TRUE(talv::containsLink("x www.a.bc"));

    std::string two = "www.a.com and https://b.org/p, done";
    auto links = talv::findLinks(two);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[1].in(two), "https://b.org/p");
}

TEST(LinkPatterns, EmailsNeedATopLevelLabelOfTwoWordCharacters) {
    EXPECT_EQ(firstEmail("mail jo.smith-x@mail.example.com."), "jo.smith-x@mail.example.com");
    EXPECT_EQ(firstEmail("a@b.c"), "");
    EXPECT_EQ(firstEmail("a@b.cd"), "a@b.cd");
    EXPECT_EQ(firstEmail("a@b."), "");
    EXPECT_EQ(firstEmail("x@müller.de"), "x@müller.de");
    EXPECT_EQ(firstEmail("émile@host.fr"), "mile@host.fr");  // the local part is ASCII words
    EXPECT_FALSE(talv::containsEmail("@example.com"));
    EXPECT_TRUE(talv::containsEmail("Write to ME@EXAMPLE.ORG"));

    std::string two = "a@b.cd, e@f.gh";
    auto all = talv::findEmails(two);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1], (RegexRange{8, 6}));
}

// The searches try the patterns only where a match can start; they must find exactly what a
// search from every position finds.
TEST(LinkPatterns, SearchingFromLikelyStartsFindsWhatTheWholePatternFinds) {
    auto everyMatch = [](const talv::Regex& regex, std::string_view text) {
        std::vector<RegexRange> ranges;
        for (const auto& m : regex.findAll(text)) ranges.push_back(m.range());
        return ranges;
    };
    const char* pieces[] = {"a", "w", "W", "www.", "WWW.", "://", "http", ".", "com", "/", "?", "@", "-", "_",
                            ":", " ", "é", "localhost", ":80", ")", "\"", "\n", "..", "org", "x@y.zz"};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = static_cast<int>(random() % 14); n > 0; --n) text += pieces[random() % std::size(pieces)];
        ASSERT_EQ(talv::findLinks(text), everyMatch(talv::linkPattern(), text)) << text;
        ASSERT_EQ(talv::findEmails(text), everyMatch(talv::emailPattern(), text)) << text;
        ASSERT_EQ(talv::containsLink(text), !talv::findLinks(text).empty()) << text;
    }
    // A scheme is at most 32 characters long.
    const std::string longScheme = std::string(40, 'x') + "://example.com";
    EXPECT_EQ(firstLink(longScheme), longScheme.substr(8));
    EXPECT_TRUE(talv::findLinks("http://example.com/\xFF").empty());  // not UTF-8
}
