#include "tests/browse/BrowseFixture.h"

#include "identity/AddressBook.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>

namespace talv::test {

Archive::Archive() : Archive(std::filesystem::path()) {}

Archive::Archive(std::filesystem::path folder)
    : folder_(folder.empty() ? dir_.path() : std::move(folder)), lookupState_(std::make_shared<IdentityLookupState>()) {
    std::filesystem::remove_all(Paths::caches());
    std::filesystem::remove_all(AddressBook::folder());
    writeFile(AddressBook::folder() / "people.vcf",
              "BEGIN:VCARD\nVERSION:3.0\nN:Liddell;Alice;;;\nUID:alice-card\nX-AIM:alice\nX-JABBER:alice@jabber\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:3.0\nN:;Bob;;;\nUID:bob-card\nX-AIM:bob\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:3.0\nN:;Dave;;;\nUID:dave-card\nX-AIM:dave\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:3.0\nN:Self;My;;;\nUID:me-card\nX-AIM:myself\nEND:VCARD\n");
    UserDefaults::standard().setObject("AddressBookMeCard", "me-card:ABPerson");

    db_ = openStore();
    db_->db().setLogsErrors(false);
    EXPECT_TRUE(db_->createTablesAsNeeded());
    db_->db().setLogsErrors(true);
    cache_ = openCache();
    cache_->db().setLogsErrors(false);
    EXPECT_TRUE(cache_->createTablesAsNeeded());
}

TalvDatabase Archive::openStore() {
    auto store = TalvDatabase::openAt(folder_);
    if (!store) throw std::runtime_error("cannot open the transcript database");
    return std::move(*store);
}

TalvCacheDatabase Archive::openCache() {
    auto cache = TalvCacheDatabase::open(lookupState_);
    if (!cache) throw std::runtime_error("cannot open the identity cache");
    return std::move(*cache);
}

std::int64_t Archive::add(const ChatRow& c) {
    EXPECT_EQ(db().executeUpdate("INSERT INTO Chats (Subject, FilePath, FileName, Messages, DateStarted, DateEnded, "
                                "Duration, Participants, HasHyperlinks, HasPictures, HasEmails, Kind, Deleted) VALUES "
                                "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);",
                                {c.subject, "/chats/" + c.fileName, c.fileName, c.messages.size(), Date{c.dateStarted},
                                 Date{c.dateStarted + static_cast<double>(c.duration)}, c.duration, c.participants,
                                 c.links, c.pictures, c.emails, c.kind, c.deleted}),
              0);
    const std::int64_t id = db().lastInsertRowId();
    for (const std::string& handle : c.handles) {
        cache_->abPersonDataForParticipant(handle, false);
        EXPECT_EQ(db().executeUpdate("INSERT INTO Participants (ChatID, Participant) VALUES(?, ?)", {id, handle}),
                  SQLITE_OK);
    }
    int number = 0;
    for (const Message& m : c.messages) {
        EXPECT_EQ(db().executeUpdate("INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, FromMe) "
                                     "VALUES (?, ?, ?, ?, ?, ?)",
                                     {id, ++number, m.sender, Date{c.dateStarted}, m.text, false}),
                  SQLITE_OK);
    }
    return id;
}

Browser::Browser(Archive& archive, Date now) {
    prepareWhenFilters(when, now);
    preparePartFilters(participants);
    prepareContentsFilters(contents);
    engine = std::make_unique<TalSQLiteDataSource>(TalSQLiteDataSource::Outlets{contents, participants, when, state, table},
                                                   archive.openStore(), archive.openCache());
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
