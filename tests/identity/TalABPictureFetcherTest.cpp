#include "identity/TalABPictureFetcher.h"

#include "identity/TalvCacheDatabase.h"
#include "platform/Paths.h"
#include "tests/identity/VCardFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::string withPhoto(const std::string& uid, const std::string& aim, const Bytes& photo) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + uid + ";Test;;;\r\nX-AIM:" + aim + "\r\n" +
           (photo.empty() ? "" : "PHOTO;ENCODING=b;TYPE=JPEG:" + test::foldedBase64(photo) + "\r\n") + "X-ABUID:" + uid + ":ABPerson\r\nEND:VCARD\r\n";
}

TEST(TalABPictureFetcher, StoresArrivedPicturesOnEveryRowOfThePersonAndClearsEmptyOnes) {
    fs::remove_all(Paths::caches());
    const fs::path contacts = Paths::applicationSupport() / "Contacts";
    fs::remove_all(contacts);
    const Bytes oldPhoto = {0xFF, 0xD8, 'o', 'l', 'd'};
    const Bytes newPhoto = {0xFF, 0xD8, 'n', 'e', 'w', 0x00, 0x01};
    test::writeFile(contacts / "a.vcf", withPhoto("CHANGED", "changed", oldPhoto));
    test::writeFile(contacts / "b.vcf", withPhoto("REMOVED", "removed", oldPhoto));
    test::writeFile(contacts / "c.vcf", withPhoto("GONE", "gone", oldPhoto));

    auto cache = TalvCacheDatabase::open(std::make_shared<IdentityLookupState>());
    ASSERT_TRUE(cache);
    EXPECT_TRUE(cache->createTablesAsNeeded());
    for (const char* handle : {"changed", "Changed", "removed", "gone", "stranger"}) cache->abPersonDataForParticipant(handle, true);
    EXPECT_EQ(cache->abPersonDataForParticipant("Changed", true).Picture, oldPhoto);

    test::writeFile(contacts / "a.vcf", withPhoto("CHANGED", "changed", newPhoto));
    test::writeFile(contacts / "b.vcf", withPhoto("REMOVED", "removed", {}));
    fs::remove(contacts / "c.vcf");
    {
        TalABPictureFetcher fetcher;
        fetcher.waitUntilDone();
    }
    EXPECT_EQ(cache->abPersonDataForParticipant("changed", true).Picture, newPhoto);
    EXPECT_EQ(cache->abPersonDataForParticipant("Changed", true).Picture, newPhoto);
    auto rs = cache->db().executeQuery("SELECT Participant, Picture IS NULL AS cleared FROM ABMap ORDER BY ROWID;");
    std::vector<std::pair<std::string, bool>> rows;
    while (rs && rs->next()) rows.emplace_back(*rs->stringForColumn("Participant"), rs->boolForColumn("cleared"));
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, bool>>{{"changed", false}, {"Changed", false}, {"removed", true}, {"gone", false}, {"stranger", true}}));
}

TEST(TalABPictureFetcher, EndsAtOnceWithNothingToFetchAndStopsWhenItsOwnerGoes) {
    fs::remove_all(Paths::caches());
    { TalABPictureFetcher idle; }  // no cache rows at all
    auto cache = TalvCacheDatabase::open(std::make_shared<IdentityLookupState>());
    EXPECT_TRUE(cache->createTablesAsNeeded());
    test::writeFile(Paths::applicationSupport() / "Contacts/many.vcf", withPhoto("MANY", "many", {1, 2, 3}));
    cache->abPersonDataForParticipant("many", false);
    for (int i = 0; i < 20; ++i) { TalABPictureFetcher shortLived; }
}

}  // namespace
}  // namespace talv
