#pragma once
// A transcript database on disk with a few chats, and the query engine connected to filter
// lists, a browse state and a headless chats table, as the main window connects them.
#include "browse/FilterEntries.h"
#include "browse/HeadlessChatsTable.h"
#include "browse/TalSQLiteDataSource.h"
#include "identity/TalvCacheDatabase.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"

#include <optional>
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

// A transcript database with the schema, an address book of vCards and a fresh identity cache.
// People: Alice Liddell ("alice", "alice@jabber"), Bob ("bob"), Dave ("dave") and the user's
// own card ("myself"); "carol" is in no card.
class Archive {
public:
    Archive();
    // The transcript database in `folder` (the user's own when it is Paths::applicationSupport()).
    explicit Archive(std::filesystem::path folder);
    // Writes the chat's rows and looks its handles up in the identity cache, as indexing does.
    std::int64_t add(const ChatRow& chat);
    FMDatabase& db() { return db_->db(); }
    // A store and a cache of their own, for the engine.
    TalvDatabase openStore();
    TalvCacheDatabase openCache();

private:
    TempDir dir_;
    std::filesystem::path folder_;
    std::shared_ptr<IdentityLookupState> lookupState_;
    std::optional<TalvDatabase> db_;
    std::optional<TalvCacheDatabase> cache_;
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
    std::unique_ptr<TalSQLiteDataSource> engine;
};

// Seconds since 1970 of a local time.
double localTime(int y, int mo, int d, int h, int mi, int s);

}  // namespace talv::test
