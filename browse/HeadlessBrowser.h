#pragma once
// The chats list without a window, driven the way the main window drives it: the three filter
// lists (entries chosen by their English titles), the search text and the sort order go to the
// query engine, which fills a headless chats table. For the command line and tests.
// Main thread only.
#include "browse/BrowseState.h"
#include "browse/HeadlessChatsTable.h"
#include "browse/TalSQLiteDataSource.h"
#include "browse/TalvFilterArrayController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class HeadlessBrowser {
public:
    // What to list; a list without titles stands on All.
    struct Choice {
        std::vector<std::string> when = {}, contents = {}, participants = {};
        std::string search = {};
        std::optional<SortDescriptor> sort = {};
    };
    // One row as the chats table shows it.
    struct Row {
        std::int64_t id = 0;
        std::string participants, topic, datestarted, duration, kind, filename;
    };

    // The date ranges count from `now`; the stores become the engine's own.
    HeadlessBrowser(TalvDatabase db, TalvCacheDatabase cacheDB, Date now);
    // With the user's transcript database and identity cache; none, with the stores' log lines,
    // when either cannot be opened.
    static std::unique_ptr<HeadlessBrowser> open(Date now);

    // Selects the entries, then builds the chats list and the participants list. Titles match
    // ignoring letter case. Titles that no entry of their list carries are returned (and nothing
    // is built); empty when all were found.
    std::vector<std::string> apply(const Choice& choice);

    std::vector<Row> rows();
    const std::string& statistics() const { return state_.statisticsText(); }
    // Why the chats list could not be read from the archive; none when it was.
    const std::optional<std::string>& readFailure() const { return engine_->readFailure(); }
    // See TalSQLiteDataSource::setRunsReferenceStatements.
    void setRunsReferenceStatements(bool on) { engine_->setRunsReferenceStatements(on); }
    // The participants list after apply(): the All entry, then one entry per person.
    const Value::Array& participantEntries() const { return participants_.arrangedObjects(); }

private:
    // Selects the entries of `list` titled by the translations of `titles` (All when none);
    // appends the titles not found to `missing`.
    static void select(TalvFilterArrayController& list, const std::vector<std::string>& titles, bool translated,
                       std::vector<std::string>& missing);

    TalvFilterArrayController contents_, participants_, when_;
    BrowseState state_;
    HeadlessChatsTable table_;
    std::unique_ptr<TalSQLiteDataSource> engine_;
};

}  // namespace talv
