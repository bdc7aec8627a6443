#include "import/LogDateParser.h"

#include "tests/import/LogTestHelpers.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::LogDateParser;
using talv::test::localDate;
using talv::test::utcDate;

TEST(LogDateParser, NaturalLanguageReadsLogTimesAndFireForms) {
    auto parse = LogDateParser::naturalLanguageDate;
    EXPECT_EQ(parse("2005-03-12 5:32:07 PM -0500"), utcDate(2005, 3, 12, 22, 32, 7));
    EXPECT_EQ(parse("2005-03-12 12:01:48 AM +0100"), utcDate(2005, 3, 11, 23, 1, 48));
    EXPECT_EQ(parse("2005-03-12 12:00:00 pm +0000"), utcDate(2005, 3, 12, 12, 0, 0));
    EXPECT_EQ(parse("2005-03-12 17:32:07 +0530"), utcDate(2005, 3, 12, 12, 2, 7));
    EXPECT_EQ(parse("2003-10-25 13:28:40 -0400"), utcDate(2003, 10, 25, 17, 28, 40));  // Fire
    EXPECT_EQ(parse("2007-05-14T21:38:11-04:00"), utcDate(2007, 5, 15, 1, 38, 11));
    EXPECT_EQ(parse("2007-05-14T21:38:11.25Z"), utcDate(2007, 5, 14, 21, 38, 11.25));
    // Without an offset: the local zone's offset on that day (New York: summer and winter).
    EXPECT_EQ(parse("2006-09-23 1:46:31 AM"), localDate(2006, 9, 23, 1, 46, 31));
    EXPECT_EQ(parse("2006-09-23 1:46:31 AM"), utcDate(2006, 9, 23, 5, 46, 31));
    EXPECT_EQ(parse("2006-12-23 13:46:31"), utcDate(2006, 12, 23, 18, 46, 31));

    for (const char* bad : {"", "yesterday", "2005-03-12", "2005-03-12 5:32 PM", "2005-03-12 13:32:07 PM",
                            "2005-13-12 5:32:07", "2005-02-30 5:32:07", "2005-03-12 24:00:00",
                            "2005-03-12 5:32:07 PM -05", "2005-03-12 5:32:07 PM EST", "12:01:48 AM -0500"})
        EXPECT_FALSE(parse(bad)) << bad;
}
