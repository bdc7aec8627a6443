#include "store/TalvDatabase.h"

#include "platform/AttributedString.h"
#include "platform/Log.h"
#include "store/ChatContentFlags.h"
#include "store/ChatTextIndex.h"
#include "store/OrvaneExtras.h"
#include "store/Transaction.h"
#include "tests/support/TestEnvironment.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <map>

using namespace talv;
using talv::test::setModificationDate;
namespace fs = std::filesystem;

namespace {

class FakeIdentities : public IdentityServices {
public:
    std::string participantName(const std::string& handle) override { return "Name of " + handle; }
    void removeCachedChat(std::int64_t chatID) override { removed.push_back(chatID); }
    std::vector<std::int64_t> removed;
};

MessageRecord message(std::string sender, std::string text, std::optional<Date> when = Date{1000}) {
    MessageRecord m;
    m.Sender = std::move(sender);
    m.Message = std::move(text);
    m.Timestamp = when;
    return m;
}

TextAttachment pictureAttachment(Bytes contents, std::string preferredName) {
    FileWrapper wrapper;
    wrapper.preferredFilename = std::move(preferredName);
    wrapper.contents = std::move(contents);
    return TextAttachment{std::make_shared<const FileWrapper>(std::move(wrapper))};
}

// A picture message whose rich text is "ab" followed by the attachment character.
MessageRecord pictureMessage(std::optional<std::string> pathAttribute, std::size_t pathAt, TextAttachment attachment) {
    MessageRecord m = message("bob", "see this");
    m.InlineImage = true;
    auto text = std::make_shared<AttributedString>(std::u16string(u"ab\uFFFC"));
    text->addAttribute(AttachmentAttributeName, std::move(attachment), {2, 1});
    if (pathAttribute) text->addAttribute(InlineFilePathAttributeName, Value(*pathAttribute), {pathAt, 1});
    m.RichData = std::move(text);
    return m;
}

class TalvDatabaseTest : public ::testing::Test {
protected:
    TalvDatabase& store() {
        if (!store_) {
            store_ = TalvDatabase::openAt(dir.path(), &identities);
            EXPECT_TRUE(store_);
            store_->db().setLogsErrors(false);
            EXPECT_TRUE(store_->createTablesAsNeeded());
            store_->db().setLogsErrors(true);
        }
        return *store_;
    }

    fs::path transcript(const std::string& name, double modified, std::string_view contents = "transcript") {
        const fs::path path = dir / "logs" / name;
        test::writeFile(path, contents);
        setModificationDate(path, modified);
        return path;
    }

    // The first column of every row of a query, as text.
    std::vector<std::string> column(const std::string& sql, const std::vector<SqlValue>& args = {}) {
        std::vector<std::string> values;
        auto rs = store().db().executeQuery(sql, args);
        EXPECT_TRUE(rs);
        while (rs && rs->next()) values.push_back(rs->stringForColumn("v").value_or("NULL"));
        return values;
    }

    std::map<std::string, std::string> chatRow(std::int64_t chatID) {
        std::map<std::string, std::string> row;
        auto rs = store().db().executeQuery("SELECT * FROM Chats WHERE ROWID = ?;", {chatID});
        EXPECT_TRUE(rs && rs->next());
        rs->kvcMagic([&](const std::string& key, const std::string& value) { row[key] = value; });
        return row;
    }

    std::int64_t chatIDFor(const fs::path& path) {
        auto ids = column("SELECT ROWID AS v FROM Chats WHERE FilePath = ?;", {path.string()});
        return ids.size() == 1 ? std::stoll(ids[0]) : -1;
    }

    bool add(const fs::path& path, const std::vector<std::string>& participants, const std::vector<MessageRecord>& messages,
             std::optional<Date> start = Date{1000}, std::optional<Date> end = Date{2000}, const std::string& kind = "iChat") {
        return store().addChat(path.string(), kind, participants, messages, start, end, true, false, true);
    }

    test::TempDir dir;
    FakeIdentities identities;
    std::optional<TalvDatabase> store_;
};

}  // namespace

TEST_F(TalvDatabaseTest, FreshFileGetsTheSchemaOnceAndTheConnectionIsConfigured) {
    // The default place is the application-support folder, created with its parents.
    const fs::path folder = test::homeDir() / "data" / "Orvane" / "Talvessa";
    fs::remove_all(folder.parent_path());
    auto db = TalvDatabase::open();
    ASSERT_TRUE(db);
    EXPECT_TRUE(fs::is_regular_file(folder / "Transcripts Database"));
    EXPECT_TRUE(db->db().logsErrors());
    auto pragmas = db->db().executeQuery("SELECT * FROM pragma_synchronous, pragma_temp_store, pragma_cache_size;");
    ASSERT_TRUE(pragmas && pragmas->next());
    EXPECT_EQ(pragmas->intForColumn("synchronous"), 0);
    EXPECT_EQ(pragmas->intForColumn("temp_store"), 2);
    EXPECT_EQ(pragmas->intForColumn("cache_size"), 4000);
    pragmas->close();

    LogCapture log;
    db->db().setLogsErrors(false);
    EXPECT_TRUE(db->createTablesAsNeeded());
    auto journal = db->db().executeQuery("PRAGMA journal_mode;");
    ASSERT_TRUE(journal && journal->next());
    EXPECT_EQ(journal->stringForColumn("journal_mode"), "wal");  // readers never wait for the scan
    journal->close();
    auto schema = [&] {
        std::vector<std::string> entries;
        auto rs = db->db().executeQuery("SELECT type || ' ' || name AS e FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid;");
        while (rs && rs->next()) entries.push_back(*rs->stringForColumn("e"));
        auto version = db->db().executeQuery("PRAGMA user_version;");
        if (version && version->next()) entries.push_back("version " + std::to_string(version->intForColumn("user_version")));
        return entries;
    };
    const std::vector<std::string> expected{
        "table Chats", "table Participants", "table Messages", "table Images", "table DirectoryTimestamps",
        "index MesgChatIDIdx", "index PartChatIDIdx", "index ChatsIdx", "index ChatsIdx2", "index ImagesIdx",
        "index ChatsFPIdx", "index ChatsFileIdx", "table ChatsText", "table ChatsText_data", "table ChatsText_idx",
        "table ChatsText_config", "table ChatsTextPending", "trigger ChatsTextMessageInsert", "trigger ChatsTextMessageDelete",
        "trigger ChatsTextMessageMovedFrom", "trigger ChatsTextMessageMovedTo", "index ChatsListIdx", "trigger ChatFlagsMessageInsert", "trigger ChatFlagsMessageDelete",
        "trigger ChatFlagsMessageMove", "trigger ChatFlagsParticipantInsert", "trigger ChatFlagsParticipantDelete",
        "trigger ChatFlagsParticipantMove", "trigger ChatFlagsChatInsert", "trigger ChatFlagsChatRenumber", "version 5"};
    EXPECT_EQ(schema(), expected);

    // A second run on a filled file changes nothing, not even the Adium rows, and logs nothing.
    EXPECT_EQ(db->db().executeUpdate("INSERT INTO Chats (FilePath, FileModDate, FileLength, Kind) VALUES ('/a', 5, 6, 'Adium');"), SQLITE_OK);
    EXPECT_EQ(db->db().executeUpdate("INSERT INTO DirectoryTimestamps VALUES ('/logs', 7);"), SQLITE_OK);
    EXPECT_TRUE(db->createTablesAsNeeded());
    EXPECT_EQ(schema(), expected);
    auto kept = db->db().executeQuery("SELECT FileModDate || ',' || FileLength || ',' || (SELECT count(*) FROM DirectoryTimestamps) AS v FROM Chats;");
    ASSERT_TRUE(kept && kept->next());
    EXPECT_EQ(kept->stringForColumn("v"), "5.0,6,1");
    kept->close();
    EXPECT_TRUE(log.lines().empty());

    db->removeIndexes();
    auto indexes = db->db().executeQuery("SELECT group_concat(name) AS v FROM sqlite_master WHERE type = 'index' AND name NOT LIKE 'sqlite_%';");
    ASSERT_TRUE(indexes && indexes->next());
    EXPECT_EQ(indexes->stringForColumn("v"), "ChatsFPIdx,ChatsFileIdx,ChatsListIdx");
    indexes->close();
    db->restoreIndexes();
    EXPECT_EQ(schema().size(), expected.size());
}

TEST_F(TalvDatabaseTest, UpgradeFromVersionZeroResetsOnlyAdiumChats) {
    {
        FMDatabase old((dir / "Transcripts Database").string());
        ASSERT_TRUE(old.open());
        EXPECT_EQ(old.executeUpdate("CREATE TABLE Chats (ROWID INTEGER PRIMARY KEY, Subject TEXT, FilePath TEXT, "
                                    "FileName TEXT, FileLength INTEGER, FileModDate REAL, Messages INTEGER, "
                                    "DateStarted REAL, DateEnded REAL, Duration INTEGER, Participants TEXT, "
                                    "HasHyperlinks INTEGER, HasPictures INTEGER, HasEmails INTEGER, Kind TEXT, "
                                    "Label INTEGER, Deleted INTEGER);"),
                  SQLITE_OK);
        EXPECT_EQ(old.executeUpdate("CREATE TABLE DirectoryTimestamps (Path TEXT PRIMARY KEY, TS REAL);"), SQLITE_OK);
        for (const char* kind : {"iChat", "Adium", "Fire", "Adium"})
            EXPECT_EQ(old.executeUpdate("INSERT INTO Chats (Kind, FileModDate, FileLength) VALUES (?, 123.5, 456);", {kind}), SQLITE_OK);
        EXPECT_EQ(old.executeUpdate("INSERT INTO DirectoryTimestamps VALUES ('/a', 1), ('/b', 2);"), SQLITE_OK);
    }
    EXPECT_EQ(column("SELECT Kind || ':' || FileModDate || ':' || FileLength AS v FROM Chats ORDER BY ROWID;"),
              (std::vector<std::string>{"iChat:123.5:456", "Adium:0.0:0", "Fire:123.5:456", "Adium:0.0:0"}));
    EXPECT_EQ(column("SELECT count(*) AS v FROM DirectoryTimestamps;"), std::vector<std::string>{"0"});
    EXPECT_EQ(column("SELECT user_version AS v FROM pragma_user_version;"), std::vector<std::string>{"1"});
}

TEST_F(TalvDatabaseTest, FilesThatCannotBeOpenedGiveNoStore) {
    LogCapture log;
    test::writeFile(dir / "plain file", "x");
    EXPECT_FALSE(TalvDatabase::openAt(dir / "plain file" / "below"));
    EXPECT_TRUE(log.contains("Cannot open the transcript database"));

    fs::create_directories(dir / "folder" / "Transcripts Database");
    log.clear();
    EXPECT_FALSE(TalvDatabase::openAt(dir / "folder"));
    EXPECT_TRUE(log.contains("Cannot open the transcript database"));

    test::writeFile(dir / "text" / "Transcripts Database", std::string(200, 'x'));
    log.clear();
    EXPECT_FALSE(TalvDatabase::openAt(dir / "text"));
    EXPECT_TRUE(log.contains("file is not a database"));
    EXPECT_EQ(test::readFile(dir / "text" / "Transcripts Database"), std::string(200, 'x'));

    // A store opened without identity services does not write chats.
    auto reader = TalvDatabase::openAt(dir / "reader");
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->createTablesAsNeeded());
    EXPECT_FALSE(reader->addChat("/x", "Fire", {"a"}, {}, Date{1}, Date{2}, false, false, false));
}

TEST_F(TalvDatabaseTest, ChangedFilesNeedIndexingUnlessTheUserDeletedThem) {
    const fs::path file = transcript("chat.ichat", 1700000000.25);
    EXPECT_FALSE(store().containsChatFile(file.string()));
    ASSERT_TRUE(add(file, {"bob"}, {message("bob", "hi")}));
    EXPECT_TRUE(store().containsChatFile(file.string()));

    // Any difference of date or size is a change, however small.
    setModificationDate(file, 1700000000.75);
    EXPECT_FALSE(store().containsChatFile(file.string()));
    TranscriptFileAttributes stored{0, Date{1700000000.25}, Date{}};
    stored.size = fs::file_size(file);
    EXPECT_TRUE(store().containsChatFile(file.string(), stored));
    stored.size += 1;
    EXPECT_FALSE(store().containsChatFile(file.string(), stored));

    EXPECT_EQ(store().db().executeUpdate("UPDATE Chats SET Deleted = 1 WHERE FilePath = ?;", {file.string()}), SQLITE_OK);
    EXPECT_TRUE(store().containsChatFile(file.string()));
    EXPECT_FALSE(store().containsChatFile((dir / "logs" / "other.ichat").string()));

    // A ".chatlog" folder changes when the log inside it grows, though the folder's date stays.
    const fs::path folder = dir / "logs" / "bob (2011-12-09T01.13.43-0800).chatlog";
    const fs::path log = transcript("bob (2011-12-09T01.13.43-0800).chatlog/bob (2011-12-09T01.13.43-0800).xml", 1700000100);
    setModificationDate(folder, 1700000000);
    ASSERT_TRUE(add(folder, {"bob"}, {message("bob", "hi")}, Date{1}, Date{2}, "Adium"));
    EXPECT_TRUE(store().containsChatFile(folder.string()));
    EXPECT_EQ(chatRow(chatIDFor(folder))["FileModDate"], "1700000100.0");
    setModificationDate(log, 1700000200);
    setModificationDate(folder, 1700000000);
    EXPECT_FALSE(store().containsChatFile(folder.string()));

    // A file gone since it was indexed has nothing to read.
    fs::remove(file);
    EXPECT_EQ(store().db().executeUpdate("UPDATE Chats SET Deleted = 0;"), SQLITE_OK);
    EXPECT_TRUE(store().containsChatFile(file.string()));
}

TEST_F(TalvDatabaseTest, ChatsAreWrittenWithTheirRowValuesMessagesAndParticipants) {
    const fs::path file = transcript("Bob on 2007-03-25.ichat", 1700000000.5, "twelve bytes");
    MessageRecord untimed = message("", "Bob went away", std::nullopt);
    MessageRecord mine = message("me", "bye");
    mine.FromMe = true;
    const Date before = Date::now();
    ASSERT_TRUE(add(file, {"bob", "me"}, {message("bob", "first line"), untimed, mine}, Date{1000.9}, Date{1090.2}));
    const Date after = Date::now();

    const std::int64_t id = chatIDFor(file);
    auto row = chatRow(id);
    EXPECT_EQ(row["Subject"], "first line");
    EXPECT_EQ(row["FileName"], "Bob on 2007-03-25.ichat");
    EXPECT_EQ(row["FileLength"], "12");
    EXPECT_EQ(row["FileModDate"], "1700000000.5");
    EXPECT_EQ(row["Messages"], "3");
    EXPECT_EQ(row["Duration"], "89");
    EXPECT_EQ(row["Participants"], "Name of bob, Name of me");
    EXPECT_EQ(row["HasHyperlinks"] + row["HasPictures"] + row["HasEmails"], "101");
    EXPECT_EQ(row["Kind"], "iChat");
    EXPECT_EQ(row["Deleted"], "0");
    EXPECT_EQ(row.count("Label"), 0u);

    EXPECT_EQ(column("SELECT Participant AS v FROM Participants WHERE ChatID = ? ORDER BY ROWID;", {id}),
              (std::vector<std::string>{"bob", "me"}));
    EXPECT_EQ(column("SELECT Number || '|' || Participant || '|' || Message || '|' || FromMe || '|' || HasPicture || '|' "
                     "|| ifnull(PictureID, 'none') AS v FROM Messages WHERE ChatID = ? ORDER BY ROWID;",
                     {id}),
              (std::vector<std::string>{"1|bob|first line|0|0|none", "2||Bob went away|0|0|none", "3|me|bye|1|0|none"}));
    auto stamp = store().db().executeQuery("SELECT Timestamp FROM Messages WHERE Number = 2;");
    ASSERT_TRUE(stamp && stamp->next());
    const Date untimedAt = *stamp->dateForColumn("Timestamp");
    stamp->close();
    EXPECT_GE(untimedAt, before);
    EXPECT_LE(untimedAt, after);

    // An empty chat, an end before its start, an overlong chat, and missing dates.
    const fs::path empty = transcript("empty.ichat", 1);
    ASSERT_TRUE(add(empty, {}, {}, Date{500}, Date{100}));
    row = chatRow(chatIDFor(empty));
    EXPECT_EQ(row["Subject"], "");
    EXPECT_EQ(row["Messages"], "0");
    EXPECT_EQ(row["Duration"], "0");
    EXPECT_EQ(row["Participants"], "");

    const fs::path longChat = transcript("long.ichat", 1);
    ASSERT_TRUE(add(longChat, {"bob"}, {}, Date{0}, Date{1e10}));
    EXPECT_EQ(chatRow(chatIDFor(longChat))["Duration"], "4294967295");

    const fs::path undated = transcript("undated.ichat", 1234.5);
    ASSERT_TRUE(add(undated, {"bob"}, {}, std::nullopt, std::nullopt));
    row = chatRow(chatIDFor(undated));
    EXPECT_EQ(row["DateStarted"] + " " + row["DateEnded"] + " " + row["Duration"], "1234.5 1234.5 0");
    const fs::path endOnly = transcript("endonly.ichat", 1);
    ASSERT_TRUE(add(endOnly, {"bob"}, {}, std::nullopt, Date{77}));
    row = chatRow(chatIDFor(endOnly));
    EXPECT_EQ(row["DateStarted"] + " " + row["DateEnded"], "77.0 77.0");
}

TEST_F(TalvDatabaseTest, IndexingAgainRewritesTheChatInPlace) {
    const fs::path file = transcript("again.ichat", 100);
    const fs::path other = transcript("other.ichat", 100);
    ASSERT_TRUE(add(other, {"carol"}, {message("carol", "untouched")}));
    const Bytes png{0x89, 'P', 'N', 'G', 1, 2, 3};
    ASSERT_TRUE(add(file, {"bob", "me"}, {message("bob", "one"), pictureMessage("/p/pic.png", 2, pictureAttachment(png, "pic.png"))}));
    const std::int64_t id = chatIDFor(file);
    EXPECT_EQ(store().db().executeUpdate("UPDATE Chats SET Label = 7, Deleted = 1 WHERE ROWID = ?;", {id}), SQLITE_OK);
    EXPECT_TRUE(identities.removed.empty());

    setModificationDate(file, 200);
    ASSERT_TRUE(add(file, {"dave"}, {message("dave", "rewritten")}, Date{3000}, Date{3600}));
    EXPECT_EQ(chatIDFor(file), id);
    EXPECT_EQ(identities.removed, std::vector<std::int64_t>{id});
    auto row = chatRow(id);
    EXPECT_EQ(row["Label"], "7");
    EXPECT_EQ(row["Deleted"], "0");
    EXPECT_EQ(row["Subject"], "rewritten");
    EXPECT_EQ(row["Participants"], "Name of dave");
    EXPECT_EQ(row["Duration"], "600");
    EXPECT_EQ(row["FileModDate"], "200.0");
    EXPECT_EQ(column("SELECT count(*) AS v FROM Chats;"), std::vector<std::string>{"2"});
    EXPECT_EQ(column("SELECT Participant AS v FROM Participants WHERE ChatID = ?;", {id}), std::vector<std::string>{"dave"});
    EXPECT_EQ(column("SELECT Message AS v FROM Messages WHERE ChatID = ?;", {id}), std::vector<std::string>{"rewritten"});
    EXPECT_EQ(column("SELECT count(*) AS v FROM Images WHERE ChatID = ?;", {id}), std::vector<std::string>{"0"});
    EXPECT_EQ(column("SELECT Message AS v FROM Messages WHERE ChatID = ?;", {chatIDFor(other)}),
              std::vector<std::string>{"untouched"});
}

TEST_F(TalvDatabaseTest, InlinePicturesAreStoredAndServedByteForByte) {
    Bytes picture(5000);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 31 % 251);
    MessageRecord plainWithAttachment = pictureMessage("/p/x.png", 2, pictureAttachment(picture, "x.png"));
    plainWithAttachment.InlineImage = false;
    MessageRecord folderAttachment = pictureMessage(std::nullopt, 0, TextAttachment{std::make_shared<const FileWrapper>(FileWrapper{FileWrapper::Kind::Directory, "d", {}, {}})});
    const fs::path file = transcript("pictures.ichat", 100);
    ASSERT_TRUE(add(file, {"bob"},
                    {pictureMessage("/Users/bob/Pictures/cat.jpg", 2, pictureAttachment(picture, "ignored.jpg")),
                     pictureMessage(std::nullopt, 0, pictureAttachment(picture, "from-wrapper.png")),
                     pictureMessage("/Users/bob/earlier.png", 0, pictureAttachment(picture, "never.png")),
                     plainWithAttachment, folderAttachment}));

    // Only the first two carry a stored picture; the walk stops at the earlier path attribute.
    const auto pictures = column("SELECT ifnull(PictureID, 'none') || '/' || HasPicture AS v FROM Messages ORDER BY Number;");
    ASSERT_EQ(pictures.size(), 5u);
    EXPECT_NE(pictures[0].substr(0, 4), "none");
    EXPECT_NE(pictures[1].substr(0, 4), "none");
    EXPECT_EQ(pictures[2], "none/1");
    EXPECT_EQ(pictures[3], "none/0");
    EXPECT_EQ(pictures[4], "none/1");

    const auto ids = column("SELECT PictureID AS v FROM Messages WHERE PictureID IS NOT NULL ORDER BY Number;");
    ASSERT_EQ(ids.size(), 2u);
    auto image = store().imageWithID(std::stoll(ids[0]));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->ID, std::stoll(ids[0]));
    EXPECT_EQ(image->Data, picture);
    EXPECT_EQ(image->Filename, "cat.jpg");
    EXPECT_EQ(image->ChatID, chatIDFor(file));
    EXPECT_EQ(store().imageWithID(std::stoll(ids[1]))->Filename, "from-wrapper.png");

    auto stored = store().db().executeQuery("SELECT Data FROM Images WHERE ROWID = ?;", {std::stoll(ids[0])});
    ASSERT_TRUE(stored && stored->next());
    EXPECT_EQ(uncompressedData(*stored->dataForColumn("Data")), picture);  // kept as a compressed blob
    stored->close();

    auto linked = store().imageWithLink("talvimage://" + ids[0]);
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->Data, picture);
    EXPECT_FALSE(store().imageWithLink("http://" + ids[0]));
    EXPECT_FALSE(store().imageWithLink("talvimage://99999"));
    EXPECT_FALSE(store().imageWithID(99999));

    // A damaged blob and a NULL file name leave those keys out.
    EXPECT_EQ(store().db().executeUpdate("UPDATE Images SET Data = ?, Filename = NULL WHERE ROWID = ?;", {Bytes{1, 2, 3, 4, 5, 6}, std::stoll(ids[0])}), SQLITE_OK);
    image = store().imageWithID(std::stoll(ids[0]));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->Data);
    EXPECT_FALSE(image->Filename);
}

TEST_F(TalvDatabaseTest, DirectoryTimestampsKeepOneRowPerFolder) {
    EXPECT_FALSE(store().timestampForDirectory("/logs"));
    EXPECT_TRUE(store().setTimestampForDirectory(Date{100.5}, "/logs"));
    EXPECT_TRUE(store().setTimestampForDirectory(Date{200.25}, "/logs"));
    EXPECT_TRUE(store().setTimestampForDirectory(Date{300}, "/other"));
    EXPECT_EQ(store().timestampForDirectory("/logs"), Date{200.25});
    EXPECT_EQ(column("SELECT count(*) AS v FROM DirectoryTimestamps;"), std::vector<std::string>{"2"});
}

TEST_F(TalvDatabaseTest, AChatWithAFailedStatementIsNotStoredAndIsReadAgain) {
    const fs::path kept = transcript("kept.ichat", 100);
    ASSERT_TRUE(add(kept, {"bob"}, {message("bob", "first"), message("bob", "second")}));
    const std::int64_t keptID = chatIDFor(kept);
    // A message insert that fails, as on a full disk.
    ASSERT_EQ(store().db().executeUpdate("CREATE TRIGGER refuse BEFORE INSERT ON Messages WHEN NEW.Message = 'poison' "
                                         "BEGIN SELECT RAISE(ABORT, 'disk refused'); END;"),
              SQLITE_OK);

    // Re-indexing a stored chat: the old chat stays whole.
    setModificationDate(kept, 200);
    LogCapture log;
    EXPECT_FALSE(add(kept, {"carol"}, {message("carol", "new"), message("carol", "poison")}));
    EXPECT_NE(store().lastWriteError().find("disk refused"), std::string::npos);
    EXPECT_TRUE(log.contains("Cannot store the chat"));
    EXPECT_EQ(chatRow(keptID)["Participants"], "Name of bob");
    EXPECT_EQ(column("SELECT Message AS v FROM Messages WHERE ChatID = ? ORDER BY Number;", {keptID}),
              (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(store().containsChatFile(kept.string()));  // its new contents are read again

    // Inside a pass, only the failing chat is left out; the others commit.
    const fs::path before = transcript("before.ichat", 100), failing = transcript("failing.ichat", 100),
                   after = transcript("after.ichat", 100);
    {
        Transaction pass(store().db());
        ASSERT_TRUE(pass.began());
        EXPECT_TRUE(add(before, {"bob"}, {message("bob", "a")}));
        EXPECT_FALSE(add(failing, {"bob"}, {message("bob", "poison")}));
        EXPECT_TRUE(add(after, {"bob"}, {message("bob", "b")}));
        ASSERT_TRUE(pass.commit());
    }
    EXPECT_EQ(chatIDFor(failing), -1);
    EXPECT_FALSE(store().containsChatFile(failing.string()));
    EXPECT_EQ(column("SELECT count(*) AS v FROM Messages WHERE ChatID NOT IN (SELECT ROWID FROM Chats);"),
              std::vector<std::string>{"0"});
    EXPECT_NE(chatIDFor(before), -1);
    EXPECT_NE(chatIDFor(after), -1);

    // A transaction that is not committed leaves nothing behind.
    const fs::path dropped = transcript("dropped.ichat", 100);
    {
        Transaction pass(store().db());
        ASSERT_TRUE(add(dropped, {"bob"}, {message("bob", "c")}));
    }
    EXPECT_EQ(chatIDFor(dropped), -1);
    EXPECT_FALSE(store().db().inTransaction());

    // Neither the search index nor its pending list holds a chat that was rolled back.
    {
        Transaction pass(store().db());
        ASSERT_TRUE(pass.began() && store().indexPendingChats() && pass.commit());
    }
    EXPECT_EQ(store().db().executeUpdate("INSERT INTO ChatsText (ChatsText, rank) VALUES ('integrity-check', 1);"), SQLITE_OK)
        << store().db().lastErrorMessage();
    EXPECT_TRUE(column("SELECT ChatID AS v FROM ChatsTextPending;").empty());
    for (const char* text : {"new", "poi"})
        EXPECT_EQ(column("SELECT count(*) AS v FROM ChatsText WHERE ChatsText MATCH ?;", {std::string("\"") + text + "\""}),
                  std::vector<std::string>{"0"}) << text;
}

TEST_F(TalvDatabaseTest, TheSearchIndexFollowsEveryWriteOfMessages) {
    // The indexed chats, not pending, holding the trigram; and the pending ones.
    auto indexed = [&](const std::string& trigram) {
        return column("WITH c(v) AS (" + ChatTextIndex::candidatesMatching(trigram)->indexedChats + ") SELECT v FROM c ORDER BY 1;");
    };
    auto pending = [&] { return column("SELECT ChatID AS v FROM ChatsTextPending ORDER BY 1;"); };
    auto endPass = [&] {
        Transaction pass(store().db());
        return pass.began() && store().indexPendingChats() && pass.commit();
    };
    using IDs = std::vector<std::string>;
    const fs::path chat = transcript("chat.ichat", 100), other = transcript("other.ichat", 100);
    {
        Transaction pass(store().db());
        ASSERT_TRUE(pass.began());
        ASSERT_TRUE(add(chat, {"bob"}, {message("bob", "Grüße aus Köln"), message("", "ÄRGER im Büro"), message("bob", "hi")}));
        ASSERT_TRUE(add(other, {"bob"}, {message("bob", "KÖLN again")}));
        EXPECT_EQ(pending(), (IDs{"1", "2"}));  // until the pass ends
        EXPECT_TRUE(indexed("köl").empty());
        ASSERT_TRUE(store().indexPendingChats() && pass.commit());
    }
    EXPECT_TRUE(pending().empty());
    EXPECT_EQ(indexed("köl"), IDs{"1"});  // ASCII letters folded only, as LIKE folds them
    EXPECT_EQ(indexed("kÖl"), IDs{"2"});
    EXPECT_TRUE(indexed("ärg").empty() && indexed("ÄRG").empty());  // a status line has no sender
    EXPECT_TRUE(indexed("lnh").empty());                            // no trigram spans two messages

    setModificationDate(chat, 200);  // read again, alone: the old text leaves the index at once
    ASSERT_TRUE(add(chat, {"bob"}, {message("bob", "nothing left"), message("bob", "gone soon")}));
    EXPECT_TRUE(pending().empty());
    EXPECT_TRUE(indexed("köl").empty());
    EXPECT_EQ(indexed("not"), IDs{"1"});

    // Deleting, editing and moving messages, whoever writes: the chats wait for the next pass.
    ASSERT_EQ(store().db().executeUpdate("DELETE FROM Messages WHERE ChatID = 2 OR Message = 'gone soon';"), SQLITE_OK);
    ASSERT_EQ(store().db().executeUpdate("UPDATE Messages SET Message = 'left over' WHERE ChatID = 1;"), SQLITE_OK);
    EXPECT_EQ(pending(), (IDs{"1", "2"}));
    EXPECT_TRUE(indexed("not").empty() && indexed("kÖl").empty());
    ASSERT_TRUE(endPass());
    EXPECT_EQ(indexed("ove"), IDs{"1"});
    EXPECT_TRUE(indexed("not").empty() && indexed("gon").empty());
    ASSERT_EQ(store().db().executeUpdate("UPDATE Messages SET ChatID = 2 WHERE ChatID = 1;"), SQLITE_OK);
    ASSERT_TRUE(endPass());
    EXPECT_EQ(indexed("ove"), IDs{"2"});
    // A ChatID that is not an integer names no chat, and stops no write.
    ASSERT_EQ(store().db().executeUpdate("INSERT INTO Messages (ChatID, Participant, Message) VALUES ('x', 'bob', 'odd one'), "
                                         "(2.5, 'bob', 'odd two');"), SQLITE_OK);
    ASSERT_TRUE(endPass());
    EXPECT_TRUE(indexed("odd").empty());
    EXPECT_EQ(indexed("ove"), IDs{"2"});
    EXPECT_EQ(store().db().executeUpdate("INSERT INTO ChatsText (ChatsText, rank) VALUES ('integrity-check', 1);"), SQLITE_OK)
        << store().db().lastErrorMessage();
}

TEST_F(TalvDatabaseTest, AnOlderArchiveGetsItsSearchIndexOnceWithProgress) {
    ASSERT_TRUE(add(transcript("chat.ichat", 100), {"bob"}, {message("bob", "first words"), message("bob", "second words")}));
    // As an archive of the build before: the message-by-message index, version 3, many chats stored.
    for (const char* sql :
         {"DROP TABLE ChatsText;", "DROP TABLE ChatsTextPending;", "DROP TRIGGER ChatsTextMessageInsert;",
          "DROP TRIGGER ChatsTextMessageDelete;", "DROP TRIGGER ChatsTextMessageMovedFrom;", "DROP TRIGGER ChatsTextMessageMovedTo;",
          "CREATE VIRTUAL TABLE MessagesText USING fts5(Message, content='Messages', content_rowid='ROWID', tokenize='trigram', "
          "detail='none', columnsize=0);",
          "CREATE TABLE MessagesTextPending (MessageID INTEGER PRIMARY KEY);",
          "CREATE TRIGGER MessagesTextInsert AFTER INSERT ON Messages BEGIN INSERT OR IGNORE INTO MessagesTextPending (MessageID) "
          "VALUES (new.ROWID); END;",
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4500) INSERT INTO Messages (ChatID, "
          "Participant, Message) SELECT 1000 + i, 'bob', 'far away' FROM n;",
          "PRAGMA user_version = 3;"})
        ASSERT_EQ(store().db().executeUpdate(sql), SQLITE_OK) << sql;

    LogCapture log;
    EXPECT_FALSE(ChatTextIndex::upgrade(store().db()));  // the content flags come first
    EXPECT_FALSE(ChatTextIndex::exists(store().db()));
    EXPECT_TRUE(log.contains("waits for the archive's earlier upgrades"));

    ASSERT_TRUE(ChatContentFlags::upgrade(store().db()));
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    auto report = [&](std::int64_t done, std::int64_t total) { reports.emplace_back(done, total); };
    EXPECT_TRUE(ChatTextIndex::upgrade(store().db(), report));
    ASSERT_GE(reports.size(), 4u);  // the start, each batch, the end
    EXPECT_EQ(reports.front(), std::make_pair(std::int64_t{0}, std::int64_t{4501}));
    EXPECT_EQ(reports.back(), std::make_pair(std::int64_t{4501}, std::int64_t{4501}));
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(column("SELECT user_version AS v FROM pragma_user_version;"), std::vector<std::string>{"5"});
    EXPECT_TRUE(column("SELECT name AS v FROM sqlite_master WHERE name LIKE 'MessagesText%';").empty());
    EXPECT_EQ(column("SELECT rowid AS v FROM ChatsText WHERE ChatsText MATCH '\"wor\"';"), std::vector<std::string>{"1"});
    EXPECT_EQ(column("SELECT count(*) AS v FROM ChatsText WHERE ChatsText MATCH '\"far\"';"), std::vector<std::string>{"4500"});

    // Once only: a second upgrade reports nothing, and new chats are indexed as they come.
    reports.clear();
    EXPECT_TRUE(ChatTextIndex::upgrade(store().db(), report));
    EXPECT_TRUE(reports.empty());
    const fs::path added = transcript("new.ichat", 100);
    ASSERT_TRUE(add(added, {"bob"}, {message("bob", "new words")}));
    EXPECT_EQ(column("SELECT rowid AS v FROM ChatsText WHERE ChatsText MATCH '\"new\"';"),
              std::vector<std::string>{std::to_string(chatIDFor(added))});
}

TEST_F(TalvDatabaseTest, ChatIDsBeyond32BitsAreReadWhole) {
    const fs::path low = transcript("low.ichat", 100);
    ASSERT_TRUE(add(low, {"bob"}, {message("bob", "low chat")}));
    ASSERT_EQ(chatIDFor(low), 1);
    const std::int64_t highID = (std::int64_t{1} << 32) + 1;  // 1 when cut to 32 bits
    const fs::path high = transcript("high.ichat", 100);
    ASSERT_EQ(store().db().executeUpdate("INSERT INTO Chats (ROWID, FilePath, FileModDate, Deleted) VALUES (?, ?, 0, 0);",
                                         {highID, high.string()}),
              SQLITE_OK);

    ASSERT_TRUE(add(high, {"carol"}, {pictureMessage(std::nullopt, 0, pictureAttachment(Bytes{1, 2, 3}, "p.png"))}));
    EXPECT_EQ(chatIDFor(high), highID);
    EXPECT_EQ(chatRow(1)["FilePath"], low.string());
    EXPECT_EQ(column("SELECT Message AS v FROM Messages WHERE ChatID = 1;"), std::vector<std::string>{"low chat"});
    const auto pictureID = column("SELECT PictureID AS v FROM Messages WHERE ChatID = ?;", {highID});
    ASSERT_EQ(pictureID.size(), 1u);
    EXPECT_EQ(store().imageWithID(std::stoll(pictureID[0]))->ChatID, highID);
    EXPECT_EQ(identities.removed, std::vector<std::int64_t>{highID});
}

TEST_F(TalvDatabaseTest, TheChatsContentFlagsFollowEveryWriteOfMessagesAndParticipants) {
    // "messages,participants" of a chat, and whether every chat's flags say what its rows say.
    auto flags = [&](const fs::path& path) {
        return column("SELECT HasMessageRows || ',' || HasParticipantRows AS v FROM Chats WHERE FilePath = ?;", {path.string()});
    };
    auto allTrue = [&] {
        return column("SELECT count(*) AS v FROM Chats WHERE HasMessageRows IS NOT EXISTS (SELECT 1 FROM Messages WHERE "
                      "ChatID = Chats.ROWID) OR HasParticipantRows IS NOT EXISTS (SELECT 1 FROM Participants WHERE ChatID = "
                      "Chats.ROWID);") == std::vector<std::string>{"0"};
    };
    const fs::path talk = transcript("talk.ichat", 100), empty = transcript("empty.ichat", 100), alone = transcript("alone.ichat", 100);
    ASSERT_TRUE(add(talk, {"bob", "carol"}, {message("bob", "one"), message("carol", "two")}));
    ASSERT_TRUE(add(empty, {"bob"}, {}));
    ASSERT_TRUE(add(alone, {}, {message("", "status line")}));
    EXPECT_EQ(flags(talk), std::vector<std::string>{"1,1"});
    EXPECT_EQ(flags(empty), std::vector<std::string>{"0,1"});
    EXPECT_EQ(flags(alone), std::vector<std::string>{"1,0"});

    // Read again: emptied, and filled.
    setModificationDate(talk, 200);
    ASSERT_TRUE(add(talk, {}, {}));
    setModificationDate(empty, 200);
    ASSERT_TRUE(add(empty, {"bob"}, {message("bob", "now something")}));
    EXPECT_EQ(flags(talk), std::vector<std::string>{"0,0"});
    EXPECT_EQ(flags(empty), std::vector<std::string>{"1,1"});

    // Rows removed one by one, a chat deleted as the chat deletion does, rows moved to another chat.
    ASSERT_TRUE(add(transcript("two.ichat", 100), {"dave"}, {message("dave", "a"), message("dave", "b")}));
    const std::int64_t two = chatIDFor(dir / "logs" / "two.ichat");
    ASSERT_EQ(store().db().executeUpdate("DELETE FROM Messages WHERE ChatID = ? AND Message = 'a';", {two}), SQLITE_OK);
    EXPECT_EQ(column("SELECT HasMessageRows AS v FROM Chats WHERE ROWID = ?;", {two}), std::vector<std::string>{"1"});
    ASSERT_EQ(store().db().executeUpdate("DELETE FROM Messages WHERE ChatID = ?;", {two}), SQLITE_OK);
    EXPECT_EQ(column("SELECT HasMessageRows AS v FROM Chats WHERE ROWID = ?;", {two}), std::vector<std::string>{"0"});
    for (const char* sql : {"DELETE FROM Messages WHERE ChatID = ?;", "DELETE FROM Participants WHERE ChatID = ?;",
                            "UPDATE Chats SET Deleted = 1 WHERE ROWID = ?;"})
        ASSERT_EQ(store().db().executeUpdate(sql, {chatIDFor(alone)}), SQLITE_OK);
    EXPECT_EQ(flags(alone), std::vector<std::string>{"0,0"});
    ASSERT_EQ(store().db().executeUpdate("UPDATE Messages SET ChatID = ? WHERE ChatID = ?;", {chatIDFor(talk), chatIDFor(empty)}), SQLITE_OK);
    ASSERT_EQ(store().db().executeUpdate("UPDATE Participants SET ChatID = ? WHERE ChatID = ?;", {chatIDFor(talk), two}), SQLITE_OK);
    EXPECT_EQ(flags(talk), std::vector<std::string>{"1,1"});
    EXPECT_EQ(flags(empty), std::vector<std::string>{"0,1"});

    // A chat row written after its rows, and one renumbered onto rows of its new number.
    ASSERT_EQ(store().db().executeUpdate("INSERT INTO Messages (ChatID, Message) VALUES (500, 'early');"), SQLITE_OK);
    ASSERT_EQ(store().db().executeUpdate("INSERT INTO Chats (ROWID, FilePath, Deleted) VALUES (500, '/late', 0);"), SQLITE_OK);
    ASSERT_EQ(store().db().executeUpdate("INSERT INTO Participants (ChatID, Participant) VALUES (600, 'eve');"), SQLITE_OK);
    ASSERT_EQ(store().db().executeUpdate("UPDATE Chats SET ROWID = 600 WHERE ROWID = ?;", {two}), SQLITE_OK);
    EXPECT_EQ(column("SELECT HasMessageRows || ',' || HasParticipantRows AS v FROM Chats WHERE ROWID IN (500, 600) ORDER BY ROWID;"),
              (std::vector<std::string>{"1,0", "0,1"}));
    EXPECT_TRUE(allTrue());
}

TEST_F(TalvDatabaseTest, AnOlderArchiveGetsItsChatsContentFlagsOnceAndAFailedUpgradeChangesNothing) {
    ASSERT_TRUE(add(transcript("talk.ichat", 100), {"bob"}, {message("bob", "hi")}));
    ASSERT_TRUE(add(transcript("quiet.ichat", 100), {"bob"}, {}));
    // As an archive of the build before the flags: version 3, no columns, index or triggers.
    auto schema = [&] {
        return column("SELECT group_concat(name) AS v FROM (SELECT name FROM sqlite_master WHERE name LIKE 'ChatFlags%' OR "
                      "name = 'ChatsListIdx' UNION ALL SELECT name FROM pragma_table_info('Chats') UNION ALL SELECT "
                      "user_version FROM pragma_user_version);");
    };
    for (const char* name : {"MessageInsert", "MessageDelete", "MessageMove", "ParticipantInsert", "ParticipantDelete",
                             "ParticipantMove", "ChatInsert", "ChatRenumber"})
        ASSERT_EQ(store().db().executeUpdate(fmt::format("DROP TRIGGER ChatFlags{};", name)), SQLITE_OK) << name;
    for (const char* sql : {"DROP INDEX ChatsListIdx;", "ALTER TABLE Chats DROP COLUMN HasMessageRows;",
                            "ALTER TABLE Chats DROP COLUMN HasParticipantRows;", "PRAGMA user_version = 3;"})
        ASSERT_EQ(store().db().executeUpdate(sql), SQLITE_OK) << sql;
    const auto older = schema();

    // A statement that fails (here the last trigger's name is taken) leaves the archive as it was.
    ASSERT_EQ(store().db().executeUpdate("CREATE TRIGGER ChatFlagsChatRenumber AFTER INSERT ON Images BEGIN SELECT 1; END;"), SQLITE_OK);
    LogCapture log;
    EXPECT_FALSE(ChatContentFlags::upgrade(store().db()));
    EXPECT_TRUE(log.contains("Cannot set the chats' message and participant flags"));
    ASSERT_EQ(store().db().executeUpdate("DROP TRIGGER ChatFlagsChatRenumber;"), SQLITE_OK);
    EXPECT_EQ(schema(), older);
    EXPECT_FALSE(ChatContentFlags::exist(store().db()));

    ASSERT_EQ(store().db().executeUpdate("PRAGMA user_version = 1;"), SQLITE_OK);
    EXPECT_FALSE(ChatContentFlags::upgrade(store().db()));  // the path spellings come first
    ASSERT_EQ(store().db().executeUpdate("PRAGMA user_version = 3;"), SQLITE_OK);
    EXPECT_TRUE(ChatContentFlags::upgrade(store().db()));
    EXPECT_TRUE(ChatContentFlags::upgrade(store().db()));  // once only
    EXPECT_EQ(column("SELECT user_version AS v FROM pragma_user_version;"), std::vector<std::string>{"4"});
    EXPECT_EQ(column("SELECT HasMessageRows || ',' || HasParticipantRows AS v FROM Chats ORDER BY ROWID;"),
              (std::vector<std::string>{"1,1", "0,1"}));
    ASSERT_TRUE(add(transcript("new.ichat", 100), {}, {message("", "status")}));
    EXPECT_EQ(column("SELECT HasMessageRows || ',' || HasParticipantRows AS v FROM Chats ORDER BY ROWID;"),
              (std::vector<std::string>{"1,1", "0,1", "1,0"}));
}
