#include "tests/display/TranscriptFixture.h"

#include "store/OrvaneExtras.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>

namespace fs = std::filesystem;

namespace talv::test {

TranscriptFixture::TranscriptFixture()
    : db_(TalvDatabase::openAt(dir_ / "store")), cache_(TalvCacheDatabase::open()) {
    if (!db_ || !cache_) throw std::runtime_error("cannot open the test databases");
    EXPECT_TRUE(db_->createTablesAsNeeded());
    EXPECT_TRUE(cache_->createTablesAsNeeded());
    EXPECT_EQ(cache_->db().executeUpdate("DELETE FROM ABMap"), SQLITE_OK);
}

std::int64_t TranscriptFixture::addChat(const std::vector<StoredMessage>& messages) {
    FMDatabase& db = db_->db();
    EXPECT_EQ(db.executeUpdate("INSERT INTO Chats (Subject, Kind, Deleted) VALUES ('', 'iChat', 0)"), SQLITE_OK);
    std::int64_t chatID = db.lastInsertRowId();
    int number = 0;
    for (const StoredMessage& m : messages) {
        EXPECT_EQ(db.executeUpdate(
                      "INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, FromMe, HasPicture, "
                      "PictureID) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                      {chatID, ++number, m.participant, Date{m.timestamp}, m.text, m.fromMe, m.pictureID.has_value(),
                       m.pictureID}),
                  SQLITE_OK);
    }
    return chatID;
}

std::int64_t TranscriptFixture::addImage(const std::optional<Bytes>& data, const std::optional<std::string>& fileName) {
    FMDatabase& db = db_->db();
    std::optional<Bytes> blob = data ? compressedData(*data) : std::nullopt;
    EXPECT_EQ(db.executeUpdate("INSERT INTO Images (ChatID, Data, Filename) VALUES (0, ?, ?)", {blob, fileName}),
              SQLITE_OK);
    return db.lastInsertRowId();
}

void TranscriptFixture::addIdentity(const std::string& handle, const std::string& uuid, const std::string& name,
                                    const std::optional<Bytes>& picture) {
    EXPECT_EQ(cache_->db().executeUpdate(
                  "INSERT INTO ABMap (Participant, ABUUID, Timestamp, Name, IsMe, Picture) VALUES (?, ?, 0, ?, 0, ?)",
                  {handle, uuid, name, picture}),
              SQLITE_OK);
}

fs::path TranscriptFixture::writeMarkerStyle() {
    fs::path style = dir_ / "Marker.talStyle";
    fs::path resources = style / "Contents" / "Resources";
    writeFile(style / "Contents" / "Info.plist", Value(Value::Dictionary{{"DefaultFontSize", 11}}).toXmlPlist());
    writeFile(resources / "Header.html", "<H>");
    writeFile(resources / "Footer.html", "<F>");
    for (auto [folder, letter] : {std::pair{"Incoming", "I"}, {"Outgoing", "O"}, {"System", "S"}}) {
        std::string l = letter;
        writeFile(resources / folder / "Begin.html", "[" + l + "B %sender%|%message%]");
        writeFile(resources / folder / "More.html", "[" + l + "M %message%]");
        writeFile(resources / folder / "End.html", "[" + l + "E]");
    }
    return style;
}

std::string chatBody(const std::string& page) {
    const std::string open = "<div id=\"Chat\">\n", close = "\n</div>";
    std::size_t start = page.find(open);
    if (start == std::string::npos) return "<no chat>";
    start += open.size();
    std::size_t end = page.rfind(close);
    return end == std::string::npos || end < start ? "<no chat>" : page.substr(start, end - start);
}

}  // namespace talv::test
