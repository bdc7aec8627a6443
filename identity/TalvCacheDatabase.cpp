#include "identity/TalvCacheDatabase.h"

#include "identity/AddressBook.h"
#include "identity/CaseInsensitive.h"
#include "platform/Paths.h"
#include "platform/Strings.h"
#include "platform/Log.h"
#include "store/ConnectionSettings.h"
#include "store/OrvaneExtras.h"
#include "store/Transaction.h"

namespace fs = std::filesystem;

namespace talv {

std::filesystem::path TalvCacheDatabase::path() { return Paths::caches() / "Tal Cache"; }

std::optional<TalvCacheDatabase> TalvCacheDatabase::open(std::shared_ptr<IdentityLookupState> state) {
    const fs::path file = path();
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    FMDatabase db(file.string());
    if (!db.open()) return std::nullopt;
    applyConnectionPragmas(db);
    return TalvCacheDatabase(std::move(db), std::move(state));
}

TalvCacheDatabase::TalvCacheDatabase(FMDatabase db, std::shared_ptr<IdentityLookupState> state)
    : db_(std::move(db)), state_(std::move(state)) {}

bool TalvCacheDatabase::createTablesAsNeeded() {
    useWriteAheadLog(db_);
    Transaction schema(db_);
    // On an existing file these fail with "already exists".
    (void)db_.executeUpdate("CREATE TABLE ABMap (ROWID INTEGER PRIMARY KEY, Participant TEXT, ABUUID TEXT, Name TEXT, Picture BLOB, Timestamp REAL, IsMe INTEGER);");
    (void)db_.executeUpdate("CREATE TABLE ChatsCache (ChatID INTEGER PRIMARY KEY, Data BLOB, CV INTEGER);");
    createIndexes();
    if (schema.commit()) return true;
    logf("Cannot prepare the identity cache \"{}\": {}", db_.databasePath(), db_.lastErrorMessage());
    return false;
}

void TalvCacheDatabase::restoreIndexes() {
    Transaction indexes(db_);
    createIndexes();
    (void)indexes.commit();  // a failure is logged by the connection; lookups then only take longer
}

void TalvCacheDatabase::createIndexes() {
    (void)db_.executeUpdate("CREATE INDEX ABMapIdx ON ABMap (Participant, ABUUID);");
    // The handles of one person are looked up by card ID for every participants entry; without
    // this index each lookup reads the whole table.
    (void)db_.executeUpdate("CREATE INDEX ABMapUUIDIdx ON ABMap (ABUUID);");
}

void TalvCacheDatabase::removeIndexes() {
    (void)db_.executeUpdate("DROP INDEX ABMapIdx;");
    (void)db_.executeUpdate("DROP INDEX ABMapUUIDIdx;");
}

IdentityRecord TalvCacheDatabase::abPersonDataForParticipant(const std::string& handle, bool includePicture) {
    if (handle.empty()) return {.Name = tr("(Unknown)")};
    state_->purgeTransientRowsOnce(db_);
    if (auto cached = cachedRecord(handle, includePicture)) return std::move(*cached);

    // Another thread may have stored the handle while this one waited for the lock.
    std::lock_guard lock(state_->resolveMutex());
    if (auto cached = cachedRecord(handle, includePicture)) return std::move(*cached);
    auto [record, timestamp] = resolve(handle);
    // A record that is not stored is only resolved again at the next lookup.
    (void)db_.executeUpdate("INSERT INTO ABMap (Participant, ABUUID, Timestamp, Name, IsMe, Picture) VALUES (?, ?, ?, ?, ?, ?);",
                      {handle, record.UUID, timestamp, record.Name, record.IsMe.value_or(false), record.Picture});
    return record;
}

std::optional<IdentityRecord> TalvCacheDatabase::cachedRecord(const std::string& handle, bool includePicture) {
    auto rs = db_.executeQuery(includePicture ? "SELECT ABUUID, Name, Picture, IsMe FROM ABMap WHERE Participant = ? LIMIT 1;"
                                              : "SELECT ABUUID, Name, IsMe FROM ABMap WHERE Participant = ? LIMIT 1;",
                               {handle});
    if (!rs || !rs->next()) return std::nullopt;
    IdentityRecord record{.Name = rs->stringForColumn("Name").value_or(std::string()),
                          .UUID = rs->stringForColumn("ABUUID"),
                          .IMHandle = handle,
                          .IsMe = rs->boolForColumn("IsMe")};
    if (auto picture = includePicture ? rs->dataForColumn("Picture") : std::nullopt; picture && !picture->empty()) record.Picture = std::move(picture);
    rs->close();
    return record;
}

std::pair<IdentityRecord, Date> TalvCacheDatabase::resolve(const std::string& handle) {
    if (auto found = addressBookRecord(handle, *AddressBook::shared())) return std::move(*found);
    if (auto found = adiumRecord(handle)) return {std::move(*found), Date::now()};
    return {IdentityRecord{.Name = handle, .UUID = UUIDString(), .IMHandle = handle, .IsMe = false}, Date::now()};
}

std::optional<std::pair<IdentityRecord, Date>> TalvCacheDatabase::addressBookRecord(const std::string& handle, AddressBook& book) {
    for (const auto property : {ABInstantProperty::AIM, ABInstantProperty::Jabber, ABInstantProperty::ICQ}) {
        for (const ABPerson* card : book.recordsWithHandle(property, handle)) {
            if (!card->isPerson) continue;
            const ABPerson* me = book.me();
            IdentityRecord record{.Name = card->fullName(),
                                  .UUID = card->uniqueId,
                                  .IMHandle = handle,
                                  .IsMe = me && me->uniqueId == card->uniqueId};
            if (!card->imageData.empty()) record.Picture = card->imageData;
            return std::pair{std::move(record), card->modificationDate.value_or(Date::now())};
        }
    }
    return std::nullopt;
}

std::optional<IdentityRecord> TalvCacheDatabase::adiumRecord(const std::string& handle) {
    for (const AdiumContact& contact : state_->adiumContacts()) {
        if (!contact.participant || !equalsIgnoringCase(*contact.participant, handle)) continue;
        const auto uuid = UUIDString();
        return IdentityRecord{.Name = contact.name,
                              .UUID = uuid ? std::optional("ADIUM_TRANSIENT_" + *uuid) : std::nullopt,
                              .IMHandle = handle,
                              .IsMe = false};
    }
    return std::nullopt;
}

std::vector<std::string> TalvCacheDatabase::imHandlesForParticipant(const std::string& handle) {
    if (handle.empty()) return {};
    const IdentityRecord record = abPersonDataForParticipant(handle, false);
    if (!record.UUID) return {};
    std::vector<std::string> handles;
    auto rs = db_.executeQuery("SELECT Participant FROM ABMap WHERE ABUUID = ?;", {*record.UUID});
    while (rs && rs->next())
        if (auto participant = rs->stringForColumn("Participant")) handles.push_back(std::move(*participant));
    return handles;
}

TalvCacheDatabase::CachedIdentities TalvCacheDatabase::cachedIdentities() {
    state_->purgeTransientRowsOnce(db_);
    CachedIdentities cached;
    // The first row of a handle in the order of ABMapIdx, as "WHERE Participant = ? LIMIT 1" finds it.
    auto rows = db_.executeQuery("SELECT Participant, ABUUID, Name, IsMe FROM ABMap WHERE Participant IS NOT NULL "
                                 "ORDER BY Participant, ABUUID;");
    while (rows && rows->next()) {
        std::string handle = rows->stringForColumn("Participant").value_or(std::string());
        if (cached.records.count(handle)) continue;
        IdentityRecord record{.Name = rows->stringForColumn("Name").value_or(std::string()),
                              .UUID = rows->stringForColumn("ABUUID"),
                              .IMHandle = handle,
                              .IsMe = rows->boolForColumn("IsMe")};
        cached.records.emplace(std::move(handle), std::move(record));
    }
    // In the order of ABMapUUIDIdx, as "WHERE ABUUID = ?" reads them.
    auto people = db_.executeQuery("SELECT ABUUID, Participant FROM ABMap WHERE ABUUID IS NOT NULL AND Participant IS NOT NULL "
                                   "ORDER BY ABUUID, ROWID;");
    while (people && people->next())
        cached.handles[people->stringForColumn("ABUUID").value_or(std::string())].push_back(
            people->stringForColumn("Participant").value_or(std::string()));
    return cached;
}

}  // namespace talv
