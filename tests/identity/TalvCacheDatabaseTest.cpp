#include "identity/TalvCacheDatabase.h"

#include "identity/CacheIdentityServices.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "tests/identity/VCardFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace talv {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

const std::string kJohnny = "5A1C39B0-3C5D-4C8A-9B8B-6E8C1D2E3F40:ABPerson";
const std::string kHandlesOnly = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson";

class IdentityCache : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(Paths::caches());
        fs::remove_all(contacts());
        fs::remove_all(adiumUser());
        UserDefaults::standard().removeObjectForKey("AddressBookMeCard");
        cache = newProcess();
        ASSERT_TRUE(cache);
        cache->db().setLogsErrors(false);
        EXPECT_TRUE(cache->createTablesAsNeeded());
    }

    static fs::path contacts() { return Paths::applicationSupport() / "Contacts"; }
    static fs::path adiumUser() { return test::homeDir() / "Library/Application Support/Adium 2.0/Users/Default"; }

    // A connection as a freshly started process makes it.
    static std::optional<TalvCacheDatabase> newProcess() { return TalvCacheDatabase::open(std::make_shared<IdentityLookupState>()); }

    std::vector<std::string> column(const std::string& sql, const std::string& name, const std::vector<SqlValue>& args = {}) {
        std::vector<std::string> values;
        auto rs = cache->db().executeQuery(sql, args);
        while (rs && rs->next()) values.push_back(rs->stringForColumn(name).value_or("NULL"));
        return values;
    }

    std::optional<TalvCacheDatabase> cache;
};

TEST_F(IdentityCache, ResolvesThroughTheAddressBookByAimThenJabberThenIcq) {
    test::writeFile(contacts() / "order.vcf",
                    "BEGIN:VCARD\nN:Aim;Amy;;;\nUID:amy\nX-AIM:Shared.Handle\nEND:VCARD\n"
                    "BEGIN:VCARD\nN:Jabber;Jay;;;\nUID:jay\nX-JABBER:shared.handle\nX-JABBER:jab.only\nEND:VCARD\n"
                    "BEGIN:VCARD\nN:Icq;Ivy;;;\nUID:ivy\nX-ICQ:SHARED.HANDLE\nX-ICQ:jab.only\nX-ICQ:icq.only\nX-ICQ:grouped\nEND:VCARD\n"
                    "BEGIN:VCARD\nKIND:group\nFN:Friends\nUID:friends\nX-AIM:grouped\nEND:VCARD\n");
    const auto name = [&](const std::string& h) { return cache->abPersonDataForParticipant(h, false).Name; };
    EXPECT_EQ(name("shared.handle"), "Amy Aim");
    EXPECT_EQ(name("jab.only"), "Jay Jabber");
    EXPECT_EQ(name("icq.only"), "Ivy Icq");
    EXPECT_EQ(name("grouped"), "Ivy Icq");  // a group card is no person

    test::writeFile(contacts() / "export.vcf", test::appleExport());
    const IdentityRecord johnny = cache->abPersonDataForParticipant("JohnnyAIM", false);
    EXPECT_EQ(johnny, (IdentityRecord{"Johnny Appleseed", kJohnny, "JohnnyAIM", false, test::applePhoto()}));
    EXPECT_THAT(column("SELECT Timestamp FROM ABMap WHERE Participant = 'JohnnyAIM';", "Timestamp"), ElementsAre("1211894142.0"));
    EXPECT_EQ(cache->abPersonDataForParticipant("123456", false).Name, "handles@jabber.example.org");

    // Served from the cache from now on, even once the card is gone.
    fs::remove_all(contacts());
    EXPECT_EQ(cache->abPersonDataForParticipant("JohnnyAIM", true), johnny);
    EXPECT_EQ(cache->abPersonDataForParticipant("JohnnyAIM", false).Picture, std::nullopt);
}

TEST_F(IdentityCache, MarksTheOwnCardAndKeepsCaseSensitiveRowsOfOneCard) {
    test::writeFile(contacts() / "export.vcf", test::appleExport());
    UserDefaults::standard().setObject("AddressBookMeCard", kHandlesOnly);
    EXPECT_EQ(cache->abPersonDataForParticipant("123456", false).IsMe, true);
    EXPECT_EQ(cache->abPersonDataForParticipant("handles@JABBER.example.org", false).IsMe, true);
    EXPECT_EQ(cache->abPersonDataForParticipant("johnnyaim", false).IsMe, false);
    EXPECT_EQ(cache->abPersonDataForParticipant("JohnnyAIM", false).IsMe, false);
    EXPECT_THAT(column("SELECT IsMe FROM ABMap ORDER BY ROWID;", "IsMe"), ElementsAre("1", "1", "0", "0"));
    EXPECT_THAT(column("SELECT ABUUID FROM ABMap WHERE Participant LIKE 'johnnyaim';", "ABUUID"), ElementsAre(kJohnny, kJohnny));

    // The handles of one person: every handle looked up under the card, whatever the service.
    cache->abPersonDataForParticipant("johnny@jabber.example.org", false);
    EXPECT_THAT(cache->imHandlesForParticipant("JohnnyAIM"), UnorderedElementsAre("johnnyaim", "JohnnyAIM", "johnny@jabber.example.org"));
    EXPECT_THAT(cache->imHandlesForParticipant("stranger"), ElementsAre("stranger"));
    // Found through an index by card ID, not by reading every row: the participants list asks
    // this for every handle.
    EXPECT_THAT(column("EXPLAIN QUERY PLAN SELECT Participant FROM ABMap WHERE ABUUID = 'x';", "detail"),
                ElementsAre(testing::HasSubstr("USING INDEX ABMapUUIDIdx")));

    EXPECT_EQ(cache->abPersonDataForParticipant("", true), IdentityRecord{.Name = "(Unknown)"});
    EXPECT_TRUE(cache->imHandlesForParticipant("").empty());
    EXPECT_THAT(column("SELECT COUNT(*) AS n FROM ABMap WHERE Participant = '';", "n"), ElementsAre("0"));
}

TEST_F(IdentityCache, TransientRowsLastOneProcessAndUnknownHandlesKeepTheirIdentity) {
    test::writeFile(adiumUser() / "libpurple/blist.xml", "<purple><blist><buddy><name>AdiumPal</name><alias>Pal</alias></buddy></blist></purple>");
    const IdentityRecord pal = cache->abPersonDataForParticipant("adiumpal", false);
    EXPECT_EQ(pal.Name, "Pal");
    EXPECT_THAT(*pal.UUID, StartsWith("ADIUM_TRANSIENT_"));
    const IdentityRecord nobody = cache->abPersonDataForParticipant("nobody@nowhere", false);
    EXPECT_EQ(nobody.Name, "nobody@nowhere");
    EXPECT_EQ(nobody.UUID->size(), 36u);

    // The list is read once per process: a renamed buddy keeps its name until the next start.
    test::writeFile(adiumUser() / "libpurple/blist.xml", "<purple><blist><buddy><name>AdiumPal</name><alias>Renamed</alias></buddy></blist></purple>");
    EXPECT_EQ(cache->abPersonDataForParticipant("AdiumPal", false).Name, "Pal");

    cache = newProcess();
    EXPECT_EQ(cache->abPersonDataForParticipant("nobody@nowhere", false).UUID, nobody.UUID);
    EXPECT_THAT(column("SELECT COUNT(*) AS n FROM ABMap WHERE ABUUID LIKE 'ADIUM_TRANSIENT_%';", "n"), ElementsAre("0"));
    const IdentityRecord again = cache->abPersonDataForParticipant("adiumpal", false);
    EXPECT_EQ(again.Name, "Renamed");
    EXPECT_THAT(*again.UUID, StartsWith("ADIUM_TRANSIENT_"));
    EXPECT_NE(again.UUID, pal.UUID);
}

TEST_F(IdentityCache, ThreadsRacingOnTheFirstLookupShareOnePurgeOneListAndOneRowPerHandle) {
    std::string list = "<purple><blist>";
    for (int i = 0; i < 50; ++i) list += fmt::format("<buddy><name>pal{}</name><alias>Pal {}</alias></buddy>", i, i);
    test::writeFile(adiumUser() / "libpurple/blist.xml", list + "</blist></purple>");

    for (int round = 0; round < 10; ++round) {
        const auto state = std::make_shared<IdentityLookupState>();
        std::vector<std::thread> threads;
        std::vector<std::vector<IdentityRecord>> answers(6);
        for (int t = 0; t < 6; ++t)
            threads.emplace_back([&, t] {
                auto own = TalvCacheDatabase::open(state);
                for (int i = 0; i < 50; i += 5) answers[t].push_back(own->abPersonDataForParticipant(fmt::format("pal{}", i + t % 5), false));
                answers[t].push_back(own->abPersonDataForParticipant("everyone@nowhere", false));
            });
        for (auto& th : threads) th.join();

        std::set<std::string> everyone;
        for (int t = 0; t < 6; ++t) {
            for (int k = 0; k < 10; ++k) EXPECT_EQ(answers[t][k].Name, fmt::format("Pal {}", k * 5 + t % 5));
            everyone.insert(*answers[t].back().UUID);
        }
        EXPECT_EQ(everyone.size(), 1u);
        // Each handle has one row, and it is the one the lookups answered with.
        EXPECT_THAT(column("SELECT COUNT(*) AS n FROM ABMap WHERE ABUUID LIKE 'ADIUM_TRANSIENT_%';", "n"), ElementsAre("50"));
        EXPECT_THAT(column("SELECT ABUUID FROM ABMap WHERE Participant = 'pal1';", "ABUUID"), ElementsAre(*answers[1][0].UUID));
        EXPECT_THAT(column("SELECT ABUUID FROM ABMap WHERE Participant = 'everyone@nowhere';", "ABUUID"), ElementsAre(*everyone.begin()));
    }
}

TEST_F(IdentityCache, IdentityServicesNameParticipantsAndDropCachedChats) {
    test::writeFile(contacts() / "export.vcf", test::appleExport());
    EXPECT_EQ(cache->db().executeUpdate("INSERT INTO ChatsCache (ChatID, Data, CV) VALUES (7, x'00', 1), (8, x'00', 1);"), SQLITE_OK);
    CacheIdentityServices services;
    EXPECT_EQ(services.participantName("johnnyaim"), "Johnny Appleseed");
    EXPECT_EQ(services.participantName("someone"), "someone");
    EXPECT_EQ(services.participantName(""), "(Unknown)");
    services.removeCachedChat(7);
    EXPECT_THAT(column("SELECT ChatID FROM ChatsCache;", "ChatID"), ElementsAre("8"));

    // Names come from memory once looked up, until the address book changes.
    ASSERT_EQ(cache->db().executeUpdate("UPDATE ABMap SET Name = 'Renamed' WHERE Participant = 'johnnyaim';"), SQLITE_OK);
    EXPECT_EQ(services.participantName("johnnyaim"), "Johnny Appleseed");
    test::writeFile(contacts() / "more.vcf", "BEGIN:VCARD\nN:;Zed;;;\nUID:zed\nX-AIM:zed\nEND:VCARD\n");
    EXPECT_EQ(services.participantName("johnnyaim"), "Renamed");
}

}  // namespace
}  // namespace talv
