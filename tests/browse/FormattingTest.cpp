#include "browse/DurationInWords.h"
#include "browse/TalvDateTransformer.h"
#include "browse/TalvDurationTransformer.h"
#include "browse/TalvFilePathTransformer.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::Value;

TEST(Formatting, ClockReadings) {
    talv::TalvDurationTransformer t;
    EXPECT_EQ(t.durationString(0), "00:00:00");
    EXPECT_EQ(t.durationString(59), "00:00:59");
    EXPECT_EQ(t.durationString(3599), "00:59:59");
    EXPECT_EQ(t.durationString(3600), "01:00:00");
    EXPECT_EQ(t.durationString(90061), "25:01:01");
    EXPECT_EQ(t.durationString(360000), "100:00:00");
    EXPECT_EQ(t.transformedValue(Value(61)), "00:01:01");
    EXPECT_EQ(t.transformedValue(Value(" 3600 s")), "01:00:00");
    EXPECT_EQ(t.transformedValue(Value(61.9)), "00:01:01");
    EXPECT_EQ(t.transformedValue(Value()), "00:00:00");
    EXPECT_EQ(t.transformedValue(Value(talv::Date{3600})), "00:00:00");
}

TEST(Formatting, DurationsInWords) {
    EXPECT_EQ(talv::durationInWords(0), "0 minutes, 0 seconds");
    EXPECT_EQ(talv::durationInWords(61), "1 minute, 1 second");
    EXPECT_EQ(talv::durationInWords(122), "2 minutes, 2 seconds");
    EXPECT_EQ(talv::durationInWords(3600), "1.0 hour");
    EXPECT_EQ(talv::durationInWords(3700), "1.0 hours");
    EXPECT_EQ(talv::durationInWords(5400), "1.5 hours");
    EXPECT_EQ(talv::durationInWords(7200), "2.0 hours");
    EXPECT_EQ(talv::durationInWords(86400), "1.0 day");
    EXPECT_EQ(talv::durationInWords(90000), "1.0 days");
    EXPECT_EQ(talv::durationInWords(172800), "2.0 days");
}

TEST(Formatting, DatesInTheUsersShortFormat) {
    talv::test::setTimeZone("America/New_York");
    const talv::CalendarDate date(talv::Date{1165435500.0});  // 2006-12-06 15:05 in New York
    talv::TalvDateTransformer t;
    EXPECT_EQ(t.transformedValue(date), "12/6/06 3:05 PM");
    talv::UserDefaults::standard().setObject("NSShortTimeDateFormatString", "%Y-%m-%d %H:%M");
    EXPECT_EQ(t.transformedValue(date), "2006-12-06 15:05");
    talv::UserDefaults::standard().setObject("NSShortTimeDateFormatString", 7);
    EXPECT_EQ(t.transformedValue(date), "12/6/06 3:05 PM");
    talv::UserDefaults::standard().removeObjectForKey("NSShortTimeDateFormatString");
}

TEST(Formatting, FilePathsShowTheirNames) {
    talv::test::TempDir dir;
    talv::test::writeFile(dir / "chat one.chat", "x");
    talv::TalvFilePathTransformer t;
    EXPECT_EQ(t.transformedValue(Value((dir / "chat one.chat").string())), "chat one.chat");
    EXPECT_EQ(t.transformedValue(Value((dir / "gone.chatlog").string() + "/")), "gone.chatlog");
    EXPECT_EQ(t.transformedValue(Value("")), "");
    EXPECT_EQ(t.transformedValue(Value(4)), "");
}
