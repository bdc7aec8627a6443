#include "platform/StringFormat.h"

#include <gtest/gtest.h>

using talv::formatString;

TEST(StringFormat, FillsTheTableFormatsInOrderAndByPosition) {
    EXPECT_EQ(formatString("Scanning %@ transcript %d of %d...", {std::string("Adium"), std::int64_t{12}, std::int64_t{40}}),
              "Scanning Adium transcript 12 of 40...");
    EXPECT_EQ(formatString("%d chats, %@", {std::int64_t{3}, std::string("1 hour")}), "3 chats, 1 hour");
    EXPECT_EQ(formatString("%2$@ before %1$@", {std::string("a"), std::string("b")}), "b before a");
    EXPECT_EQ(formatString("(Chats.DateStarted BETWEEN %f AND %f)", {1165363200.0, 1165449599.0}),
              "(Chats.DateStarted BETWEEN 1165363200.000000 AND 1165449599.000000)");
    EXPECT_EQ(formatString("%.1f%% done, %ld left", {12.25, std::int64_t{7}}), "12.2% done, 7 left");
}

TEST(StringFormat, MissingOrMismatchedArgumentsAreWrittenAsTheyStand) {
    EXPECT_EQ(formatString("%@ and %@", {std::string("one")}), "one and %@");
    EXPECT_EQ(formatString("%d", {std::string("x")}), "%d");
    EXPECT_EQ(formatString("100%", {}), "100%");
    EXPECT_EQ(formatString("%q", {std::int64_t{1}}), "%q");
}
