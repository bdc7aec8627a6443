#include "platform/Regex.h"

#include "platform/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using talv::Regex;
using talv::RegexRange;

TEST(Regex, WordDigitAndBoundaryStayAsciiWhileLetterPropertiesAreUnicode) {
    EXPECT_EQ(Regex(R"(\w+)").find("éab")->range(), (RegexRange{2, 2}));
    EXPECT_FALSE(Regex(R"(\d)").matches("٣"));            // Arabic-Indic three
    EXPECT_TRUE(Regex(R"(\bab)").matches("éab"));         // é is no word character, so \b is before a
    EXPECT_EQ(Regex(R"(\p{L}+)").find("éab")->range(), (RegexRange{0, 4}));
    EXPECT_TRUE(Regex(R"(\p{N})").matches("٣"));
    EXPECT_TRUE(Regex("Éa").matches("éA"));               // case-insensitive beyond ASCII too
}

TEST(Regex, DotAllGroupsAndRanges) {
    EXPECT_FALSE(Regex("a.b").matches("a\nb"));
    EXPECT_TRUE(Regex("a.b", Regex::DotAll).matches("a\nb"));

    std::string text = "key=value;";
    auto match = Regex(R"((\w+)=(\w+)(x)?)").find(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->groupCount(), 4u);
    EXPECT_EQ(match->str(text, 1), "key");
    EXPECT_EQ(match->str(text, 2), "value");
    EXPECT_FALSE(match->group(3));
    EXPECT_EQ(match->str(text, 3), "");
    EXPECT_FALSE(match->group(9));

    // Within a range: earlier text still counts for \b, and the range's end is the text's end.
    Regex word(R"(\bcat\w*)");
    std::string s = "cat bobcat catalog";
    EXPECT_EQ(word.find(s, {4, 6}), std::nullopt);
    EXPECT_EQ(word.find(s, {1, 17}), word.find(s, {11, 7}));
    EXPECT_EQ(word.find(s, {11, 5})->range(), (RegexRange{11, 5}));
    EXPECT_EQ(word.find(s, {40, 2}), std::nullopt);
}

TEST(Regex, FindAllIsNonOverlappingAndStepsOverEmptyMatchesByCharacter) {
    auto all = Regex("aa").findAll("aaaaa");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].range(), (RegexRange{2, 2}));

    auto empty = Regex("x*").findAll("éx");
    ASSERT_EQ(empty.size(), 3u);  // "" at 0, "x" at 2, "" at the end
    EXPECT_EQ(empty[0].range(), (RegexRange{0, 0}));
    EXPECT_EQ(empty[1].range(), (RegexRange{2, 1}));
    EXPECT_EQ(empty[2].range(), (RegexRange{3, 0}));
}

TEST(Regex, BadPatternsAndBadTextNeverMatchNorCrash) {
    talv::LogCapture log;
    Regex bad("(unclosed");
    EXPECT_FALSE(bad.isValid());
    EXPECT_TRUE(log.contains("Regex: cannot compile pattern"));
    EXPECT_FALSE(bad.matches("unclosed"));
    EXPECT_TRUE(bad.findAll("unclosed").empty());

    Regex any(".");
    EXPECT_FALSE(any.matches(std::string("\xC3\x28 \xFF", 4)));
    EXPECT_TRUE(any.findAll(std::string("\xFF\xFE", 2)).empty());

    // Nested quantifiers on a long run: the backtracking limit answers "no match".
    EXPECT_FALSE(Regex("(a+)+b").matches(std::string(40, 'a')));
}

TEST(Regex, OneCompiledPatternServesManyThreads) {
    const Regex pattern(R"(\p{L}+@\w+)");
    std::string text = std::string(1000, ' ') + "émile@host";
    std::vector<std::thread> threads;
    std::vector<int> found(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) found[t] += pattern.find(text)->range() == RegexRange{1000, 11};
        });
    for (auto& thread : threads) thread.join();
    for (int count : found) EXPECT_EQ(count, 200);
}
