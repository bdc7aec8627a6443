#include "display/TranscriptPage.h"

#include "display/StyleBundle.h"
#include "identity/TalvCacheDatabase.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace talv {

TEST(TranscriptPage, ChoosesAndFindsStyles) {
    const fs::path builtIn = builtInStylesDirectory();
    EXPECT_EQ(chooseStyle(std::nullopt), defaultStylePath());
    // A deleted user style named like a built-in one falls back to the built-in one, then to the default.
    EXPECT_EQ(chooseStyle("/gone/Styles/Compact.talStyle"), builtIn / "Compact.talStyle");
    EXPECT_EQ(chooseStyle("/gone/Styles/Mine.talStyle"), defaultStylePath());
    test::TempDir dir;
    test::writeFile(dir / "Mine.talStyle/Contents/Resources/Header.html", "");
    EXPECT_EQ(chooseStyle((dir / "Mine.talStyle").string()), dir / "Mine.talStyle");

    EXPECT_EQ(findStyle("Bubbles"), builtIn / "Bubbles.talStyle");
    EXPECT_EQ(findStyle("Bubbles.talStyle"), builtIn / "Bubbles.talStyle");
    EXPECT_EQ(findStyle((dir / "Mine.talStyle").string()), dir / "Mine.talStyle");
    EXPECT_FALSE(findStyle("Mine"));
    EXPECT_FALSE(findStyle(""));
    EXPECT_FALSE(findStyle("../Default"));
    // The user's styles come before the built-in ones.
    test::writeFile(userStylesDirectory() / "Default.talStyle/Contents/Resources/Header.html", "");
    EXPECT_EQ(findStyle("Default"), userStylesDirectory() / "Default.talStyle");
    fs::remove_all(userStylesDirectory());
}

TEST(TranscriptPage, RendersFromTheUsersDatabases) {
    {
        auto db = TalvDatabase::open();
        auto cache = TalvCacheDatabase::open();
        ASSERT_TRUE(db && cache);
        EXPECT_TRUE(db->createTablesAsNeeded());
        EXPECT_TRUE(cache->createTablesAsNeeded());
        EXPECT_EQ(db->db().executeUpdate("INSERT INTO Chats (ROWID, Subject, Kind, Deleted) VALUES (5, '', 'Fire', 0)"),
                  SQLITE_OK);
        EXPECT_EQ(db->db().executeUpdate("INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, FromMe) "
                                         "VALUES (5, 1, 'kim', 0, 'hello there', 0)"),
                  SQLITE_OK);
    }
    auto page = renderTranscriptPage(5, "there", *findStyle("Compact"));
    ASSERT_TRUE(page);
    EXPECT_NE(page->find(">there</div></a>"), std::string::npos);
    EXPECT_NE(page->find("Compact.talStyle/Contents/Resources/"), std::string::npos);
    auto none = renderTranscriptPage(std::nullopt, "", defaultStylePath());
    ASSERT_TRUE(none);
    EXPECT_NE(none->find("No chat transcript is selected."), std::string::npos);
}

}  // namespace talv
