// The chats list over an archive indexed from transcripts written by the real programs.
#include "browse/HeadlessBrowser.h"
#include "identity/CacheIdentityServices.h"
#include "import/AdiumXMLLogParser.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using talv::HeadlessBrowser;

class RealTranscripts : public talv::test::CorpusTest {};

namespace {

std::vector<fs::path> adiumXmlLogs() {
    std::vector<fs::path> logs;
    for (const auto& entry : fs::recursive_directory_iterator(talv::test::corpusDir() / "adium/Adium 2.0")) {
        if (entry.path().extension() == ".chatlog") logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

}  // namespace

TEST_F(RealTranscripts, ListedAsTheChatsTableShowsThem) {
    talv::test::setTimeZone("America/New_York");
    talv::test::TempDir dir;
    {
        auto cache = talv::TalvCacheDatabase::open();  // the schema, as the application makes it at start
        ASSERT_TRUE(cache);
        cache->db().setLogsErrors(false);
        EXPECT_TRUE(cache->createTablesAsNeeded());
    }
    talv::CacheIdentityServices identities;
    {
        auto store = talv::TalvDatabase::openAt(dir.path(), &identities);
        ASSERT_TRUE(store);
        store->db().setLogsErrors(false);
        EXPECT_TRUE(store->createTablesAsNeeded());
        store->db().setLogsErrors(true);
        ASSERT_TRUE(store->db().beginTransaction());
        talv::AdiumXMLLogParser parser;
        const auto logs = adiumXmlLogs();
        ASSERT_EQ(logs.size(), 3u);
        for (const fs::path& log : logs) {
            auto chat = parser.parseLogFile(log);
            ASSERT_TRUE(chat) << log;
            EXPECT_TRUE(store->addChat(log.string(), chat->Kind, chat->Participants, chat->Messages, chat->StartDate,
                                       chat->EndDate, chat->HasHyperlinks, chat->HasPictures, chat->HasEmails));
        }
        ASSERT_TRUE(store->db().commit());
    }

    auto store = talv::TalvDatabase::openAt(dir.path());
    auto cache = talv::TalvCacheDatabase::open();
    ASSERT_TRUE(store && cache);
    HeadlessBrowser browser(std::move(*store), std::move(*cache), talv::Date{1420070400.0});  // 2015
    EXPECT_TRUE(browser.apply({.sort = talv::SortDescriptor{"datestarted", true}}).empty());
    const auto rows = browser.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].participants, "A_gmail.com, source@gmail.com, B_gmail.com");
    EXPECT_EQ(rows[0].datestarted, "8/20/11 11:59 PM");
    const HeadlessBrowser::Row& aim = rows[1];
    EXPECT_EQ(aim.participants, "aimsource, aimdest");
    EXPECT_EQ(aim.topic, "Chat window opened");
    EXPECT_EQ(aim.datestarted, "12/9/11 4:13 AM");  // 01:13:43 in California
    EXPECT_EQ(aim.duration, "24:02:22");
    EXPECT_EQ(aim.kind, "Adium");
    EXPECT_EQ(aim.filename, "aimdest (2011-12-09T01.13.43-0800).chatlog");
    EXPECT_EQ(rows[2].datestarted, "11/3/13 4:44 PM");  // 22:44:16 in central Europe
    EXPECT_EQ(browser.statistics(), "3 chats, 1.0 days");
    EXPECT_EQ(browser.participantEntries().size(), 8u);  // All and seven handles known nowhere

    EXPECT_TRUE(browser.apply({.search = "delayed message"}).empty());
    ASSERT_EQ(browser.rows().size(), 1u);
    EXPECT_EQ(browser.rows()[0].id, aim.id);
    EXPECT_EQ(browser.participantEntries().size(), 3u);
}
