#include "browse/TalSQLiteDataSource.h"

#include "browse/ChatStatements.h"
#include "browse/DurationInWords.h"
#include "browse/EngineStatements.h"
#include "browse/ValueSet.h"
#include "platform/CalendarDate.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "store/ChatContentFlags.h"
#include "store/DatabaseCheck.h"
#include "store/ChatTextIndex.h"
#include "store/OrvaneExtras.h"

#include <fmt/format.h>
#include <glib.h>

#include <algorithm>
#include <array>
#include <unordered_set>
#include <utility>

namespace talv {
namespace {

constexpr double kRefilterDelaySeconds = 0.5;

// Table column identifier to the Chats column it shows.
std::optional<std::string> chatsColumn(const std::string& identifier) {
    static const std::array<std::pair<const char*, const char*>, 7> columns{{
        {"participants", "participants"},
        {"topic", "subject"},
        {"datestarted", "datestarted"},
        {"duration", "duration"},
        {"kind", "kind"},
        {"filename", "filename"},
        {"id", "chatid"},
    }};
    for (const auto& [id, column] : columns) {
        if (identifier == id) return column;
    }
    return std::nullopt;
}

std::string casefolded(const std::string& text) {
    char* folded = g_utf8_casefold(text.c_str(), static_cast<gssize>(text.size()));
    std::string result(folded ? folded : "");
    g_free(folded);
    return result;
}

bool isBlank(const std::string& text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return false;
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        if (!g_unichar_isspace(g_utf8_get_char_validated(p, -1))) return false;
    }
    return true;
}

// The subject of an inline picture alone reads "(Picture)"; a blank one "n/a".
Value topicCell(Value cell) {
    static const std::string kPlaceholder = "\xEF\xBF\xBC";  // U+FFFC
    static const std::string kPictureTopic = fmt::format("({})", tr("Picture"));
    const std::string* text = cell.asText();
    if (!text) return cell;
    if (isBlank(*text)) return Value(tr("n/a"));
    if (text->find(kPlaceholder) != std::string::npos) return Value(kPictureTopic);
    return cell;
}

}  // namespace

TalSQLiteDataSource::TalSQLiteDataSource(Outlets outlets, TalvDatabase db, TalvCacheDatabase cacheDB)
    : outlets_(outlets), db_(std::move(db)), cacheDB_(std::move(cacheDB)) {
    outlets_.table.setDataSource(this);
    outlets_.table.setDelegate(this);
    // A rebuild reads much of the archive: mapped, its pages are not copied in one by one. This
    // connection only reads the archive (CTmp lives in memory).
    if (auto mapped = db_.db().executeQuery("PRAGMA mmap_size = 2147418112;")) mapped->close();
    rebuildOrderSQL();  // only computes the clause: nothing refilters before launching finished
}

TalSQLiteDataSource::~TalSQLiteDataSource() {
    outlets_.table.setDataSource(nullptr);
    if (outlets_.table.delegate() == this) outlets_.table.setDelegate(nullptr);
}

void TalSQLiteDataSource::applicationDidFinishLaunching() {
    contentsObservation_ = outlets_.chatFilterContController.observeSelection([this] { scheduleRefilter(); });
    observeParticipantsSelection();
    whenObservation_ = outlets_.chatFilterWhenController.observeSelection([this] { scheduleRefilter(); });
    searchTextObservation_ = outlets_.talController.observeSearchText([this] { scheduleRefilter(); });
    didFinishLaunching_ = true;
    scheduleRefilter();
}

void TalSQLiteDataSource::observeParticipantsSelection() {
    participantsObservation_ = outlets_.chatFilterPartController.observeSelection([this] { scheduleRefilter(); });
}

void TalSQLiteDataSource::scheduleRefilter() {
    std::erase_if(pendingRequests_, [](const Timer& timer) { return !timer.isValid(); });
    pendingRequests_.push_back(RunLoop::scheduledTimer(Date::now().addingSeconds(kRefilterDelaySeconds), [this] { refilter(); }));
}

void TalSQLiteDataSource::refilter() {
    if (!didFinishLaunching_) return;
    auto contents = readFilterList(outlets_.chatFilterContController);
    if (!contents) return;
    const FilterCondition when = readFilterList(outlets_.chatFilterWhenController).value_or(FilterCondition{});
    const FilterCondition participants = readFilterList(outlets_.chatFilterPartController).value_or(FilterCondition{});
    const std::string& search = outlets_.talController.searchText();
    // The reference statement decides whether anything changed; an equivalent one runs.
    const ChatStatements statements = buildChatStatements(*contents, when, participants, search, orderSQL_);
    if (sql_ == statements.chats) return;
    std::optional<EngineStatements> engine;
    if (!runsReferenceStatements_) {
        engine = buildEngineStatements(*contents, when, participants, search, orderSQL_,
                                       !search.empty() && ChatTextIndex::exists(db_.db()), ChatContentFlags::exist(db_.db()));
    }

    outlets_.talController.setChatsFilterRunning(true);
    sql_ = statements.chats;
    const std::optional<std::int64_t> selectedChat = outlets_.talController.selectedChatID();

    const bool logs = db_.db().logsErrors();
    db_.db().setLogsErrors(false);  // there is no CTmp the first time
    (void)db_.db().executeUpdate("DROP TABLE CTmp;");
    db_.db().setLogsErrors(logs);
    // A statement that fails is logged by the connection, leaves the list empty and is reported.
    readFailure_.reset();
    if (db_.db().executeUpdate("CREATE TEMP TABLE CTmp AS " + (engine ? engine->chats : statements.chats)) != 0)
        readFailure_ = db_.db().lastErrorMessage();
    durationsListed_ = engine.has_value();

    numRows_ = 0;
    if (auto count = db_.db().executeQuery("SELECT COUNT(ChatID) AS count FROM CTmp;")) {
        if (count->next()) numRows_ = static_cast<std::uint32_t>(count->int64ForColumn("count"));
        count->close();
    }
    outlets_.table.reloadData();
    refreshStatistics();
    restoreSelection(selectedChat);
    updateParticipantsList(engine ? engine->participants : statements.participants);
    outlets_.talController.setChatsFilterRunning(false);
}

void TalSQLiteDataSource::selectRowSilently(std::optional<std::size_t> row) {
    outlets_.table.setDelegate(nullptr);
    outlets_.table.selectRow(row);
    outlets_.table.setDelegate(this);
}

void TalSQLiteDataSource::restoreSelection(std::optional<std::int64_t> chatID) {
    if (chatID) {
        std::optional<std::int64_t> rowid;
        if (auto found = db_.db().executeQuery("SELECT rowid FROM ctmp WHERE chatid = ?;", {*chatID})) {
            if (found->next()) rowid = found->int64ForColumn("rowid");
            found->close();
        }
        if (rowid && *rowid >= 1) {
            selectRowSilently(std::nullopt);
            outlets_.table.selectRow(static_cast<std::size_t>(*rowid - 1));
            selectionDidChange();
            return;
        }
    }
    selectRowSilently(std::nullopt);
    if (numRows_ != 0) outlets_.table.selectRow(0);  // the table tells this delegate
    else selectionDidChange();
}

void TalSQLiteDataSource::updateParticipantsList(const std::string& participantsStatement) {
    TalvFilterArrayController& list = outlets_.chatFilterPartController;
    Value::Array selectedParts;
    for (const Value& entry : list.selectedObjects()) {
        if (const Value* parts = entry.find("parts")) selectedParts.push_back(*parts);
    }

    const Value::Array& wanted = participantEntries(participantHandles(participantsStatement));

    // Entries that stay: the wanted ones, the All entry and the selected participants; then the
    // wanted entries not yet there. One change of the content, compared by hash: thousands of
    // people compared pairwise cost seconds.
    const ValueSet wantedSet(wanted), currentSet(list.content()), selectedSet(selectedParts);
    Value::Array content;
    bool changed = false;
    for (const Value& entry : list.content()) {
        const Value* parts = entry.find("parts");
        if (wantedSet.contains(entry) || entry.find("IsAll") || (parts && selectedSet.contains(*parts))) content.push_back(entry);
        else changed = true;
    }
    for (const Value& entry : wanted) {
        if (!currentSet.contains(entry)) {
            content.push_back(entry);
            changed = true;
        }
    }
    if (!changed) return;  // neither arranged anew nor announced

    // The list changes without scheduling another refilter.
    participantsObservation_.reset();
    const Value::Array selected = list.selectedObjects();
    list.setContent(std::move(content));
    list.setSelectedObjects(selected);
    observeParticipantsSelection();
}

std::vector<std::string> TalSQLiteDataSource::participantHandles(const std::string& statement) {
    // A statement that does not read CTmp answers the same until another connection changes the
    // archive; this one never writes it.
    const std::optional<std::int64_t> version = db_.db().int64ForQuery("PRAGMA data_version;");
    const bool keepable = version && statement.find("CTmp") == std::string::npos;
    if (keepable && keptHandles_.statement == statement && keptHandles_.dataVersion == *version) return keptHandles_.handles;
    std::vector<std::string> handles;
    bool complete = false;
    if (auto rows = db_.db().executeQuery(statement)) {
        while (rows->next()) {
            if (auto handle = rows->stringForColumn("participant")) handles.push_back(std::move(*handle));
        }
        complete = !rows->stepFailed();
        rows->close();
    }
    if (keepable) keptHandles_ = complete ? KeptHandles{statement, *version, handles} : KeptHandles{};
    return handles;
}

const TalvCacheDatabase::CachedIdentities& TalSQLiteDataSource::cachedIdentities() {
    // Kept until another connection changes the cache or this one stores a new handle.
    const std::optional<std::int64_t> version = cacheDB_.db().int64ForQuery("PRAGMA data_version;");
    if (!version || !keptIdentities_ || keptIdentities_->first != *version)
        keptIdentities_.emplace(version.value_or(-1), cacheDB_.cachedIdentities());
    return keptIdentities_->second;
}

const Value::Array& TalSQLiteDataSource::participantEntries(std::vector<std::string> handles) {
    // The entries depend on the handles and the identity cache alone.
    const std::optional<std::int64_t> version = cacheDB_.db().int64ForQuery("PRAGMA data_version;");
    if (!version || !keptEntries_ || keptEntries_->identitiesVersion != *version || keptEntries_->handles != handles) {
        Value::Array entries = preparePartContentsArray(handles);
        // After a lookup of its own the cache differs from what its version says: kept for no version.
        const std::int64_t readAt = keptIdentities_ ? keptIdentities_->first : -1;
        keptEntries_.emplace(KeptEntries{std::move(handles), readAt, std::move(entries)});
    }
    return keptEntries_->entries;
}

Value::Array TalSQLiteDataSource::preparePartContentsArray(const std::vector<std::string>& handles) {
    // Handles already cached are answered from one read of the cache; others are looked up (and
    // stored) one by one.
    const TalvCacheDatabase::CachedIdentities& cached = cachedIdentities();
    bool looked = false;
    Value::Array entries;
    std::unordered_set<std::string> taken, takenFolded;
    for (const std::string& handle : handles) {
        // The empty handle has no handles of its own: "()" would be no condition at all.
        if (handle.empty() || taken.count(handle) || takenFolded.count(casefolded(handle))) continue;
        const auto known = cached.records.find(handle);
        looked = looked || known == cached.records.end();
        const IdentityRecord record = known != cached.records.end() ? known->second : cacheDB_.abPersonDataForParticipant(handle, false);
        if (record.IsMe.value_or(false)) continue;
        std::vector<std::string> sameHandles;
        if (known == cached.records.end()) sameHandles = cacheDB_.imHandlesForParticipant(handle);
        else if (auto person = record.UUID ? cached.handles.find(*record.UUID) : cached.handles.end(); person != cached.handles.end())
            sameHandles = person->second;
        if (sameHandles.empty()) continue;
        std::vector<std::string> conditions;
        Value::Array parts;
        for (const std::string& same : sameHandles) {
            taken.insert(same);
            takenFolded.insert(casefolded(same));
            // Compared whole, ignoring case: "_" and "%" in a handle are no wildcards.
            conditions.push_back(fmt::format("Participants.Participant = '{}' COLLATE NOCASE", sqliteEscapedString(same)));
            parts.emplace_back(same);
        }
        entries.emplace_back(Value::Dictionary{
            {"criteria", fmt::format("({})", fmt::join(conditions, " OR "))},
            {"title", record.Name},
            {"parts", std::move(parts)},
        });
    }
    if (looked) keptIdentities_.reset();  // the handles looked up now are stored in the cache
    return entries;
}

void TalSQLiteDataSource::rebuildOrderSQL() {
    orderSQL_.reset();
    const std::vector<SortDescriptor> descriptors = outlets_.table.sortDescriptors();
    if (descriptors.empty()) return;
    orderSQL_ = orderClause(descriptors);
    refilter();
}

void TalSQLiteDataSource::refreshStatistics() {
    if (readFailure_) {
        outlets_.talController.setStatisticsText(unreadableDatabaseMessage(db_.db().databasePath(), *readFailure_));
        return;
    }
    // The engine's statements list each chat's duration with it: no second read of the chats.
    const char* statement = durationsListed_ ? "SELECT SUM(ListedDuration) AS duration FROM CTmp;"
                                             : "SELECT SUM(duration) AS duration FROM CTmp, chats where chats.rowid = ctmp.chatid;";
    std::int64_t total = 0;
    if (auto sum = db_.db().executeQuery(statement)) {
        if (sum->next()) total = sum->int64ForColumn("duration");
        sum->close();
    }
    outlets_.talController.setStatisticsText(formatString(tr("%d chats, %@"), {std::int64_t{numRows_}, durationInWords(total)}));
}

Value TalSQLiteDataSource::objectValue(const std::optional<std::string>& column, std::size_t row) {
    const std::optional<std::string> name = chatsColumn(column.value_or("id"));
    if (!name) return Value("");
    auto cell = db_.db().executeQuery(
        fmt::format("SELECT {} FROM Chats, CTmp WHERE chats.rowid = ctmp.chatid AND ctmp.rowid = ?", *name),
        {static_cast<std::int64_t>(row) + 1});
    if (!cell || !cell->next()) return Value("");
    Value value = formatColumn(*name, *cell);
    cell->close();
    return column == "topic" ? topicCell(std::move(value)) : value;
}

Value TalSQLiteDataSource::formatColumn(const std::string& column, FMResultSet& resultSet) {
    if (column == "chatid") return Value(resultSet.int64ForColumn(column));
    if (column == "subject" || column == "kind" || column == "participants" || column == "filename") {
        std::string text = resultSet.stringForColumn(column).value_or("");
        return Value(text.empty() ? tr("n/a") : text);
    }
    if (column == "datestarted") {
        const Date started = resultSet.dateForColumn(column).value_or(Date{});
        return Value(dateTransformer_.transformedValue(CalendarDate(started)));
    }
    if (column == "duration") return Value(durationTransformer_.transformedValue(Value(resultSet.int64ForColumn(column))));
    return Value("");
}

void TalSQLiteDataSource::selectionDidChange() {
    const std::optional<std::size_t> row = outlets_.table.selectedRow();
    std::optional<std::int64_t> chatID;
    if (row) {
        const Value id = objectValue(std::nullopt, *row);
        if (const std::int64_t* number = id.asInteger()) chatID = *number;
    }
    outlets_.talController.setSelectedChatID(chatID);
}

std::optional<std::string> TalSQLiteDataSource::objectForCurrentChatProperty(const std::string& column) {
    const std::optional<std::int64_t> chatID = outlets_.talController.selectedChatID();
    if (!chatID || !isPlainColumnName(column)) return std::nullopt;
    auto row = db_.db().executeQuery(fmt::format("SELECT {} FROM Chats WHERE chats.rowid = ?", column), {*chatID});
    if (!row) return std::nullopt;
    std::optional<std::string> value;
    if (row->next()) value = row->stringForColumn(column);
    row->close();
    return value;
}

}  // namespace talv
