#include "browse/FilterEntries.h"
#include "tests/support/TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

using talv::Date;
using talv::Value;

namespace {

Date localMoment(int y, int mo, int d, int h, int mi, double s) {
    GDateTime* t = g_date_time_new_local(y, mo, d, h, mi, s);
    Date date{static_cast<double>(g_date_time_to_unix(t)) + (s - static_cast<int>(s))};
    g_date_time_unref(t);
    return date;
}

std::string localText(double seconds) {
    GDateTime* t = g_date_time_new_from_unix_local(static_cast<gint64>(seconds));
    char* s = g_date_time_format(t, "%Y-%m-%d %H:%M:%S");
    std::string text(s);
    g_free(s);
    g_date_time_unref(t);
    return text;
}

// Title to "first .. last" in local time, read back from each entry's criteria.
std::map<std::string, std::string> ranges(Date now) {
    std::map<std::string, std::string> result;
    for (const Value& entry : talv::whenFilterEntries(now)) {
        double from = 0, to = 0;
        std::string criteria = entry.find("criteria")->textOr("");
        if (std::sscanf(criteria.c_str(), "(Chats.DateStarted BETWEEN %lf AND %lf)", &from, &to) == 2) {
            result[entry.find("title")->textOr("")] = localText(from) + " .. " + localText(to);
        }
    }
    return result;
}

}  // namespace

TEST(FilterEntries, DateEntriesHaveTheirOrderTitlesAndExactCriteria) {
    talv::test::setTimeZone("UTC");
    Value::Array entries = talv::whenFilterEntries(Date{1165363200.0 + 15 * 3600 + 300});  // 2006-12-06 15:05
    ASSERT_EQ(entries.size(), 12u);
    const char* titles[] = {"All", "Today", "Yesterday", "This Week", "Last Week", "This Month", "Last Month",
                            "Last 3 Months", "Last 6 Months", "This Year", "Last Year", "Before Last Year"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(entries[i].find("order")->integerOr(-1), i);
        EXPECT_EQ(entries[i].find("title")->textOr(""), titles[i]);
        EXPECT_EQ(entries[i].find("IsAll") != nullptr, i == 0);
    }
    EXPECT_EQ(entries[0].find("criteria")->textOr("x"), "");
    EXPECT_EQ(entries[1].find("criteria")->textOr(""),
              "(Chats.DateStarted BETWEEN 1165363200.000000 AND 1165449599.000000)");
    EXPECT_EQ(entries[11].find("criteria")->textOr(""),
              "(Chats.DateStarted BETWEEN -2208988800.000000 AND 1104537599.000000)");
}

TEST(FilterEntries, WeeksRunFromSundayToSaturday) {
    talv::test::setTimeZone("America/New_York");
    auto sunday = ranges(localMoment(2006, 12, 10, 0, 0, 0));
    EXPECT_EQ(sunday["Today"], "2006-12-10 00:00:00 .. 2006-12-10 23:59:59");
    EXPECT_EQ(sunday["Yesterday"], "2006-12-09 00:00:00 .. 2006-12-09 23:59:59");
    EXPECT_EQ(sunday["This Week"], "2006-12-10 00:00:00 .. 2006-12-16 23:59:59");
    EXPECT_EQ(sunday["Last Week"], "2006-12-03 00:00:00 .. 2006-12-09 23:59:59");

    auto saturday = ranges(localMoment(2006, 12, 16, 23, 59, 59));
    EXPECT_EQ(saturday["This Week"], "2006-12-10 00:00:00 .. 2006-12-16 23:59:59");
    EXPECT_EQ(saturday["Last Week"], "2006-12-03 00:00:00 .. 2006-12-09 23:59:59");

    // A week across the change to daylight saving time (March 11, 2007 in New York).
    auto dst = ranges(localMoment(2007, 3, 14, 12, 0, 0));
    EXPECT_EQ(dst["This Week"], "2007-03-11 00:00:00 .. 2007-03-17 23:59:59");
    EXPECT_EQ(dst["Last Week"], "2007-03-04 00:00:00 .. 2007-03-10 23:59:59");
}

TEST(FilterEntries, MonthsAndYearsCrossYearBoundaries) {
    talv::test::setTimeZone("America/New_York");
    auto january = ranges(localMoment(2007, 1, 15, 9, 30, 0));
    EXPECT_EQ(january["This Month"], "2007-01-01 00:00:00 .. 2007-01-31 23:59:59");
    EXPECT_EQ(january["Last Month"], "2006-12-01 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(january["Last 3 Months"], "2006-11-01 00:00:00 .. 2007-01-31 23:59:59");
    EXPECT_EQ(january["Last 6 Months"], "2006-08-01 00:00:00 .. 2007-01-31 23:59:59");
    EXPECT_EQ(january["This Year"], "2007-01-01 00:00:00 .. 2007-12-31 23:59:59");
    EXPECT_EQ(january["Last Year"], "2006-01-01 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(january["Before Last Year"], "1900-01-01 00:00:00 .. 2005-12-31 23:59:59");

    EXPECT_EQ(ranges(localMoment(2008, 3, 31, 18, 0, 0))["Last Month"], "2008-02-01 00:00:00 .. 2008-02-29 23:59:59");
    auto march = ranges(localMoment(2007, 3, 31, 18, 0, 0));
    EXPECT_EQ(march["Last Month"], "2007-02-01 00:00:00 .. 2007-02-28 23:59:59");
    EXPECT_EQ(march["This Month"], "2007-03-01 00:00:00 .. 2007-03-31 23:59:59");
    EXPECT_EQ(march["Last 3 Months"], "2007-01-01 00:00:00 .. 2007-03-31 23:59:59");

    auto december = ranges(localMoment(2006, 12, 31, 23, 0, 0));
    EXPECT_EQ(december["Today"], "2006-12-31 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(december["This Month"], "2006-12-01 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(december["Last 3 Months"], "2006-10-01 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(december["Last 6 Months"], "2006-07-01 00:00:00 .. 2006-12-31 23:59:59");
    EXPECT_EQ(december["This Year"], "2006-01-01 00:00:00 .. 2006-12-31 23:59:59");
}

TEST(FilterEntries, RangesEndOnTheWholeSecond) {
    talv::test::setTimeZone("America/New_York");
    Date now = localMoment(2006, 12, 6, 12, 0, 0);
    std::string today = talv::whenFilterEntries(now)[1].find("criteria")->textOr("");
    double from = 0, to = 0;
    ASSERT_EQ(std::sscanf(today.c_str(), "(Chats.DateStarted BETWEEN %lf AND %lf)", &from, &to), 2);
    EXPECT_EQ(to, localMoment(2006, 12, 6, 23, 59, 59).secondsSince1970);
    EXPECT_GT(localMoment(2006, 12, 6, 23, 59, 59.5).secondsSince1970, to);
}

TEST(FilterEntries, ContentsAndParticipantsLists) {
    talv::TalvFilterArrayController contents;
    talv::prepareContentsFilters(contents);
    ASSERT_EQ(contents.content().size(), 4u);
    EXPECT_EQ(contents.content()[2], Value(Value::Dictionary{{"title", "Links"}, {"singularTitle", "Link"},
                                                            {"criteria", "Chats.HasHyperlinks = 1"},
                                                            {"tag", "HasHyperlinks"}}));
    EXPECT_EQ(contents.selectedObjects(), Value::Array{contents.content()[0]});
    EXPECT_EQ(contents.content()[0].find("singularTitle")->textOr("x"), "");

    talv::TalvFilterArrayController participants;
    talv::preparePartFilters(participants);
    talv::preparePartFilters(participants);
    EXPECT_EQ(participants.content(), Value::Array{talv::participantsAllEntry()});
    EXPECT_EQ(participants.selectionIndexes(), std::vector<std::size_t>{0});

    talv::TalvFilterArrayController when;
    talv::prepareWhenFilters(when, localMoment(2006, 12, 6, 12, 0, 0));
    talv::prepareWhenFilters(when, localMoment(2006, 12, 7, 12, 0, 0));
    ASSERT_EQ(when.content().size(), 12u);
    EXPECT_EQ(when.selectedObjects(), Value::Array{when.content()[3]});
}
