#pragma once
// A transcript database on disk with a few chats, and the query engine connected to filter
// lists, a browse state and a headless chats table, as the main window connects them.
#include "browse/FilterEntries.h"
#include "browse/HeadlessChatsTable.h"
#include "browse/ParticipantIdentities.h"
#include "browse/TalSQLiteDataSource.h"
#include "store/FMDatabase.h"
#include "tests/support/TestEnvironment.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talv::test {

struct Message {
    std::string sender;
    std::string text;
};

struct ChatRow {
    std::string subject = "Hello";
    std::string participants = "Bob";
    std::string kind = "iChat";
    std::string fileName = "chat.ichat";
    double dateStarted = 0;
    std::int64_t duration = 60;
    bool links = false, pictures = false, emails = false, deleted = false;
    std::vector<std::string> handles{"bob"};
    std::vector<Message> messages{{"bob", "hi"}};
};

// The identity cache as the engine sees it: known handles with a person and a name.
class People : public ParticipantIdentities {
public:
    struct Person {
        std::string uuid, name;
        bool isMe = false;
    };
    void add(const std::string& handle, Person person) { people_[handle] = std::move(person); }
    Value identityRecord(const std::string& handle) override;
    std::vector<std::string> handlesOfSamePerson(const std::string& handle) override;

private:
    std::map<std::string, Person> people_;
};

class Archive {
public:
    Archive();
    std::int64_t add(const ChatRow& chat);
    FMDatabase& db() { return db_; }
    const std::string& path() const { return path_; }

private:
    TempDir dir_;
    std::string path_;
    FMDatabase db_;
};

struct Browser {
    explicit Browser(Archive& archive, Date now);
    // Builds the list at once, as the delayed request would.
    void refilterNow();
    std::vector<std::int64_t> listedIDs();
    std::vector<std::string> participantTitles();
    void select(TalvFilterArrayController& list, const std::vector<std::string>& titles);

    TalvFilterArrayController contents, participants, when;
    BrowseState state;
    HeadlessChatsTable table;
    People people;
    std::unique_ptr<TalSQLiteDataSource> engine;
};

// Seconds since 1970 of a local time.
double localTime(int y, int mo, int d, int h, int mi, int s);

}  // namespace talv::test
