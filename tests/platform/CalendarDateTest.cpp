#include "platform/CalendarDate.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::CalendarDate;
using talv::Date;

namespace {

// The test main runs in America/New_York, which changed to daylight saving time at
// 2026-03-08 02:00 and back at 2026-11-01 02:00.
constexpr double kBeforeSpringForward = 1772953199;  // 2026-03-08 01:59:59 EST
constexpr double kStartOfMarch8 = 1772946000;        // 2026-03-08 00:00:00 EST
constexpr double kEndOfMarch8 = 1773028799;          // 2026-03-08 23:59:59 EDT

std::string format(double seconds, std::string_view fmt) {
    return CalendarDate(Date{seconds}).descriptionWithCalendarFormat(fmt);
}

}  // namespace

TEST(CalendarDate, FormatsFollowTheLocalZoneAcrossADaylightSavingChange) {
    EXPECT_EQ(format(kBeforeSpringForward, "%Y-%m-%d %H:%M:%S %Z %z"), "2026-03-08 01:59:59 EST -0500");
    EXPECT_EQ(format(kBeforeSpringForward + 1, "%Y-%m-%d %H:%M:%S %Z %z"), "2026-03-08 03:00:00 EDT -0400");
    CalendarDate day(Date{kBeforeSpringForward + 1});
    EXPECT_EQ(day.hourOfDay(), 3);
    EXPECT_EQ(day.dayOfWeek(), 0);  // a Sunday
    EXPECT_EQ(day.utcOffsetSeconds(), -4 * 3600);

    // The fallback date format of the chats table.
    EXPECT_EQ(format(1165435500, "%1m/%e/%y %1I:%M %p"), "12/6/06 3:05 PM");
    EXPECT_EQ(format(1165381200, "%1m/%e/%y %1I:%M %p"), "12/6/06 12:00 AM");  // midnight
    EXPECT_EQ(format(1165424400, "%I %1H %H %p"), "12 12 12 PM");             // noon

    EXPECT_EQ(format(1165435500.0429, "%a %A %b %B %j %F %1d %d %% %q"),
              "Wed Wednesday Dec December 340 042 6 06 % %q");

    talv::test::setTimeZone("UTC");
    EXPECT_EQ(format(1165363200, "%Y-%m-%d %H:%M:%S %z"), "2006-12-06 00:00:00 +0000");
    talv::test::setTimeZone("Asia/Kolkata");
    EXPECT_EQ(format(1165363200, "%H:%M %z"), "05:30 +0530");
    talv::test::setTimeZone("America/New_York");
    EXPECT_EQ(CalendarDate(Date{1165363200}, "Europe/Berlin").descriptionWithCalendarFormat("%H %Z"), "01 CET");
}

TEST(CalendarDate, FixedFormatsParseBackToTheSameInstant) {
    // The start and end of a day with a daylight-saving change, as the day helpers read them.
    auto start = CalendarDate::dateWithString("2026-03-08 00:00:00", "%Y-%m-%d %H:%M:%S");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->date().secondsSince1970, kStartOfMarch8);
    auto end = CalendarDate::dateWithString(format(kBeforeSpringForward, "%Y-%m-%d 23:59:59"), "%Y-%m-%d %H:%M:%S");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->date().secondsSince1970, kEndOfMarch8);

    // The default format carries its own offset.
    auto rfc = CalendarDate::dateWithString("2007-05-14 21:38:11 -0400");
    ASSERT_TRUE(rfc);
    EXPECT_EQ(rfc->date().secondsSince1970, 1179193091);
    EXPECT_EQ(rfc->descriptionWithCalendarFormat("%H:%M %z"), "21:38 -0400");

    auto us = CalendarDate::dateWithString("12/6/06 3:05 pm", "%1m/%e/%y %1I:%M %p");
    ASSERT_TRUE(us);
    EXPECT_EQ(us->date().secondsSince1970, 1165435500);
    auto named = CalendarDate::dateWithString("Wednesday, 6 december 2006 15:05:00.250", "%A, %e %B %Y %H:%M:%S.%F");
    ASSERT_TRUE(named);
    EXPECT_DOUBLE_EQ(named->date().secondsSince1970, 1165435500.25);
    auto yday = CalendarDate::dateWithString("2006-340", "%Y-%j");
    ASSERT_TRUE(yday);
    EXPECT_EQ(yday->date().secondsSince1970, 1165381200);

    for (auto [text, fmt] : std::initializer_list<std::pair<const char*, const char*>>{
             {"2026-02-30 00:00:00", "%Y-%m-%d %H:%M:%S"},   // no such day
             {"2026-03-08 24:00:00", "%Y-%m-%d %H:%M:%S"},   // no such hour
             {"2026-03-08 00:00:00 x", "%Y-%m-%d %H:%M:%S"}, // text left over
             {"2026-03-08", "%Y-%m-%d %H:%M:%S"},            // text missing
             {"2026/03/08", "%Y-%m-%d"},                     // wrong separator
             {"13 PM", "%I %p"},
             {"2007-05-14 21:38:11 0400", "%Y-%m-%d %H:%M:%S %z"},
             {"", "%Y"}}) {
        EXPECT_FALSE(CalendarDate::dateWithString(text, fmt)) << text;
    }
}

TEST(CalendarDate, AddingWorksOnTheWallClock) {
    // The midnight timer's fire date: now + 1 day - hours - minutes + (1 - seconds) seconds.
    CalendarDate saturday(Date{1772897420});  // 2026-03-07 10:30:20 EST, the day before the change
    CalendarDate next = saturday.dateByAddingYears(0, 0, 1, -saturday.hourOfDay(), -saturday.minuteOfHour(),
                                                   1 - saturday.secondOfMinute());
    EXPECT_EQ(next.descriptionWithCalendarFormat("%Y-%m-%d %H:%M:%S %Z"), "2026-03-08 00:00:01 EST");

    CalendarDate sunday(Date{kStartOfMarch8});
    EXPECT_EQ(sunday.dateByAddingYears(0, 0, 1, 0, 0, 0).date().secondsSince1970 - kStartOfMarch8, 23 * 3600);
    EXPECT_EQ(sunday.dateByAddingYears(0, 0, 0, 2, 30, 0).descriptionWithCalendarFormat("%H:%M %Z"), "03:00 EDT");  // 02:30 is skipped

    auto jan31 = CalendarDate::dateWithString("2024-01-31", "%Y-%m-%d");
    ASSERT_TRUE(jan31);
    EXPECT_EQ(jan31->dateByAddingYears(0, 1, 0, 0, 0, 0).descriptionWithCalendarFormat("%F"), "000");
    EXPECT_EQ(jan31->dateByAddingYears(0, 1, 0, 0, 0, 0).descriptionWithCalendarFormat("%Y-%m-%d"), "2024-02-29");
    EXPECT_EQ(jan31->dateByAddingYears(0, -2, 0, 0, 0, 0).descriptionWithCalendarFormat("%Y-%m-%d"), "2023-11-30");
    EXPECT_EQ(jan31->dateByAddingYears(0, 0, -31, 0, 0, -1).descriptionWithCalendarFormat("%Y-%m-%d %H:%M:%S"),
              "2023-12-30 23:59:59");
}
