#include "tests/browse/BrowseFixture.h"

#include <glib.h>
#include <gtest/gtest.h>

namespace talv::test {

Value People::identityRecord(const std::string& handle) {
    auto it = people_.find(handle);
    if (it == people_.end()) return Value(Value::Dictionary{{"Name", handle}, {"UUID", "u-" + handle}, {"IsMe", false}});
    return Value(Value::Dictionary{{"Name", it->second.name}, {"UUID", it->second.uuid}, {"IsMe", it->second.isMe}});
}

std::vector<std::string> People::handlesOfSamePerson(const std::string& handle) {
    if (handle.empty()) return {};
    auto it = people_.find(handle);
    if (it == people_.end()) return {handle};
    std::vector<std::string> handles;
    for (const auto& [h, person] : people_) {
        if (person.uuid == it->second.uuid) handles.push_back(h);
    }
    return handles;
}

Archive::Archive() : path_((dir_ / "Transcripts Database").string()), db_(path_) {
    EXPECT_TRUE(db_.open());
    db_.setLogsErrors(true);
    db_.executeUpdate("PRAGMA synchronous = OFF;");
    for (const char* create : {
             "CREATE TABLE Chats (ROWID INTEGER PRIMARY KEY, Subject TEXT, FilePath TEXT, FileName TEXT, FileLength "
             "INTEGER, FileModDate REAL, Messages INTEGER, DateStarted REAL, DateEnded REAL, Duration INTEGER, "
             "Participants TEXT, HasHyperlinks INTEGER, HasPictures INTEGER, HasEmails INTEGER, Kind TEXT, Label "
             "INTEGER, Deleted INTEGER);",
             "CREATE TABLE Participants (ROWID INTEGER PRIMARY KEY, ChatID INTEGER, Participant TEXT);",
             "CREATE TABLE Messages (ROWID INTEGER PRIMARY KEY, ChatID INTEGER, Participant TEXT, Timestamp REAL, "
             "Message TEXT, FromMe INTEGER, HasPicture INTEGER, PictureID INTEGER, Number INTEGER);",
         }) {
        EXPECT_EQ(db_.executeUpdate(create), 0);
    }
}

std::int64_t Archive::add(const ChatRow& c) {
    EXPECT_EQ(db_.executeUpdate("INSERT INTO Chats (Subject, FilePath, FileName, Messages, DateStarted, DateEnded, "
                                "Duration, Participants, HasHyperlinks, HasPictures, HasEmails, Kind, Deleted) VALUES "
                                "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);",
                                {c.subject, "/chats/" + c.fileName, c.fileName, c.messages.size(), Date{c.dateStarted},
                                 Date{c.dateStarted + static_cast<double>(c.duration)}, c.duration, c.participants,
                                 c.links, c.pictures, c.emails, c.kind, c.deleted}),
              0);
    const std::int64_t id = db_.lastInsertRowId();
    for (const std::string& handle : c.handles) {
        db_.executeUpdate("INSERT INTO Participants (ChatID, Participant) VALUES(?, ?)", {id, handle});
    }
    int number = 0;
    for (const Message& m : c.messages) {
        db_.executeUpdate("INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, FromMe) VALUES (?, ?, "
                          "?, ?, ?, ?)",
                          {id, ++number, m.sender, Date{c.dateStarted}, m.text, false});
    }
    return id;
}

Browser::Browser(Archive& archive, Date now) {
    prepareWhenFilters(when, now);
    preparePartFilters(participants);
    prepareContentsFilters(contents);
    FMDatabase db(archive.path());
    EXPECT_TRUE(db.open());
    engine = std::make_unique<TalSQLiteDataSource>(
        TalSQLiteDataSource::Outlets{contents, participants, when, state, table}, std::move(db), people);
    engine->applicationDidFinishLaunching();
}

void Browser::refilterNow() { engine->refilter(); }

std::vector<std::int64_t> Browser::listedIDs() {
    std::vector<std::int64_t> ids;
    for (std::size_t row = 0; row < table.rowCount(); ++row) ids.push_back(table.cell(std::nullopt, row).integerOr(-1));
    return ids;
}

std::vector<std::string> Browser::participantTitles() {
    std::vector<std::string> titles;
    for (const Value& entry : participants.arrangedObjects()) titles.push_back(entry.find("title")->textOr(""));
    return titles;
}

void Browser::select(TalvFilterArrayController& list, const std::vector<std::string>& titles) {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < list.arrangedObjects().size(); ++i) {
        const std::string title = list.arrangedObjects()[i].find("title")->textOr("");
        if (std::find(titles.begin(), titles.end(), title) != titles.end()) indexes.push_back(i);
    }
    EXPECT_EQ(indexes.size(), titles.size());
    list.setSelectionIndexes(indexes);
}

double localTime(int y, int mo, int d, int h, int mi, int s) {
    GDateTime* t = g_date_time_new_local(y, mo, d, h, mi, s);
    double seconds = static_cast<double>(g_date_time_to_unix(t));
    g_date_time_unref(t);
    return seconds;
}

}  // namespace talv::test
