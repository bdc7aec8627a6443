#pragma once
// The chat query engine: turns the three filter lists and the search text into one statement,
// materialises its result as the temporary table CTmp (chat IDs in display order; table row r is
// CTmp's rowid r + 1) and serves the chats table from it one cell at a time. It keeps the row
// count, the statistics line and the participants list (the participants of the chats that pass
// the other filters) current. Main thread only; changes are answered 0.5 seconds later on the
// main context.
#include "browse/BrowseState.h"
#include "browse/ChatsTableView.h"
#include "browse/TalvDateTransformer.h"
#include "browse/TalvDurationTransformer.h"
#include "browse/TalvFilterArrayController.h"
#include "platform/RunLoop.h"
#include "identity/TalvCacheDatabase.h"
#include "store/TalvDatabase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talv {

class TalSQLiteDataSource : public ChatsTableDataSource, public ChatsTableDelegate {
public:
    // The lists, the state and the table the engine is connected to; they outlive it.
    struct Outlets {
        TalvFilterArrayController& chatFilterContController;
        TalvFilterArrayController& chatFilterPartController;
        TalvFilterArrayController& chatFilterWhenController;
        BrowseState& talController;
        ChatsTableView& table;
    };

    // `db` and `cacheDB` are the engine's own stores (their connections serve this thread only).
    // Becomes the table's data source and delegate; nothing is queried yet.
    TalSQLiteDataSource(Outlets outlets, TalvDatabase db, TalvCacheDatabase cacheDB);
    ~TalSQLiteDataSource() override;
    TalSQLiteDataSource(const TalSQLiteDataSource&) = delete;
    TalSQLiteDataSource& operator=(const TalSQLiteDataSource&) = delete;

    // Starts observing the lists and the search text, and schedules the first refilter.
    void applicationDidFinishLaunching();
    // Schedules refilter() 0.5 seconds later; earlier requests stay pending.
    void scheduleRefilter();
    // Rebuilds CTmp when the statement changed, then restores the selection and refreshes the
    // statistics and the participants list. Does nothing before launching finished.
    void refilter();
    // Recomputes the order clause from the table's sort descriptors and refilters.
    void rebuildOrderSQL();
    // Recomputes the statistics line ("%d chats, %@") for the chats in CTmp, with the durations
    // the last rebuild listed.
    void refreshStatistics();

    // The statement CTmp holds; set none to force the next refilter to rebuild.
    const std::optional<std::string>& sql() const { return sql_; }
    void setSql(std::optional<std::string> sql) { sql_ = std::move(sql); }
    const std::optional<std::string>& orderSQL() const { return orderSQL_; }
    // Runs the reference statements themselves instead of their faster equivalents (the
    // benchmark's baseline and the tests' comparison). Takes effect at the next rebuild.
    void setRunsReferenceStatements(bool on) { runsReferenceStatements_ = on; }
    // SQLite's message when the last rebuild could not read the archive (the list is then empty
    // because of the failure, not the filters); none after a rebuild that succeeded.
    const std::optional<std::string>& readFailure() const { return readFailure_; }

    // ChatsTableDataSource
    std::size_t numberOfRows() override { return numRows_; }
    Value objectValue(const std::optional<std::string>& column, std::size_t row) override;
    // ChatsTableDelegate
    void selectionDidChange() override;
    void sortDescriptorsDidChange() override { rebuildOrderSQL(); }

    // A Chats column of the selected chat as text; none without a selected chat or such a row.
    std::optional<std::string> objectForCurrentChatProperty(const std::string& column);
    // One entry per person for the handles, in order: criteria, title, parts.
    Value::Array preparePartContentsArray(const std::vector<std::string>& handles);

private:
    Value formatColumn(const std::string& column, FMResultSet& resultSet);
    void restoreSelection(std::optional<std::int64_t> chatID);
    void updateParticipantsList(const std::string& participantsStatement);
    // The participant handles the statement lists, in order (NULL left out).
    std::vector<std::string> participantHandles(const std::string& statement);
    const TalvCacheDatabase::CachedIdentities& cachedIdentities();
    // preparePartContentsArray of `handles`, kept for the same handles while the cache is unchanged.
    const Value::Array& participantEntries(std::vector<std::string> handles);
    void observeParticipantsSelection();
    void selectRowSilently(std::optional<std::size_t> row);

    Outlets outlets_;
    TalvDatabase db_;
    TalvCacheDatabase cacheDB_;
    std::optional<std::string> sql_;
    std::uint32_t numRows_ = 0;
    std::optional<std::string> readFailure_;
    std::optional<std::string> orderSQL_;
    TalvDateTransformer dateTransformer_;
    TalvDurationTransformer durationTransformer_;
    bool didFinishLaunching_ = false;
    bool runsReferenceStatements_ = false;
    bool durationsListed_ = false;  // CTmp holds each chat's ListedDuration
    ObserverToken contentsObservation_, participantsObservation_, whenObservation_, searchTextObservation_;
    std::vector<Timer> pendingRequests_;  // scheduled refilters; destroying one cancels it
    // The last participants statement that does not read CTmp, with its rows and the archive's
    // data_version then; and the cache's identities with its data_version.
    struct KeptHandles {
        std::string statement;
        std::int64_t dataVersion = 0;
        std::vector<std::string> handles;
    } keptHandles_;
    std::optional<std::pair<std::int64_t, TalvCacheDatabase::CachedIdentities>> keptIdentities_;
    struct KeptEntries {
        std::vector<std::string> handles;
        std::int64_t identitiesVersion;  // -1: read before a lookup of this connection
        Value::Array entries;
    };
    std::optional<KeptEntries> keptEntries_;
};

}  // namespace talv
