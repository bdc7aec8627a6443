#include "browse/HeadlessBrowser.h"
#include "platform/Log.h"
#include "tests/browse/BrowseFixture.h"

#include <gtest/gtest.h>

using talv::HeadlessBrowser;
using talv::test::ChatRow;
using talv::test::localTime;

TEST(HeadlessBrowser, ListsTheChosenChatsWithTheirCells) {
    talv::test::setTimeZone("America/New_York");
    talv::test::Archive archive;
    ChatRow today;
    today.subject = "lunch?";
    today.participants = "Bob";
    today.dateStarted = localTime(2006, 12, 6, 10, 0, 0);
    today.duration = 61;
    const auto todayID = archive.add(today);
    ChatRow silent;
    silent.dateStarted = localTime(2006, 12, 5, 10, 0, 0);
    silent.handles = {"carol"};
    silent.messages = {};
    const auto silentID = archive.add(silent);

    HeadlessBrowser browser(archive.openStore(), archive.openCache(), talv::Date{localTime(2006, 12, 6, 12, 0, 0)});

    talv::LogCapture log;
    EXPECT_TRUE(browser.apply({.sort = talv::SortDescriptor{"datestarted", true}}).empty());
    EXPECT_TRUE(log.lines().empty());  // the first "DROP TABLE CTmp;" fails unlogged
    ASSERT_EQ(browser.rows().size(), 2u);  // every list on All: the chat without messages too
    EXPECT_EQ(browser.rows()[0].id, silentID);
    EXPECT_EQ(browser.statistics(), "2 chats, 2 minutes, 1 second");
    ASSERT_EQ(browser.participantEntries().size(), 3u);  // All, Bob, carol

    EXPECT_TRUE(browser.apply({.when = {"Today", "Yesterday"}, .participants = {"Bob"}}).empty());
    ASSERT_EQ(browser.rows().size(), 1u);
    const HeadlessBrowser::Row row = browser.rows()[0];
    EXPECT_EQ(row.id, todayID);
    EXPECT_EQ(row.participants, "Bob");
    EXPECT_EQ(row.topic, "lunch?");
    EXPECT_EQ(row.datestarted, "12/6/06 10:00 AM");
    EXPECT_EQ(row.duration, "00:01:01");
    EXPECT_EQ(row.kind, "iChat");
    EXPECT_EQ(row.filename, "chat.ichat");
    ASSERT_EQ(browser.participantEntries().size(), 2u);  // carol's chat has no messages

    EXPECT_EQ(browser.apply({.when = {"Someday"}, .contents = {"Links"}}), std::vector<std::string>{"Someday"});
    EXPECT_EQ(browser.apply({.participants = {"Nobody"}}), std::vector<std::string>{"Nobody"});
}
