#pragma once
// The identity cache ("Tal Cache" in the user's cache folder): turns a participant handle into a
// person, looking in the cache first, then the address book by AIM, Jabber and ICQ handle, then
// Adium's contact list, else taking the handle itself, and storing every answer found that way.
// Thread: one instance per thread; each opens its own connection to the file.
#include "identity/IdentityLookupState.h"
#include "identity/IdentityRecord.h"
#include "store/FMDatabase.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace talv {

class AddressBook;

class TalvCacheDatabase {
public:
    // Opens or creates the cache, creating its folder as needed; none when it cannot be opened.
    // `state` is what the lookups of this process share.
    static std::optional<TalvCacheDatabase> open(std::shared_ptr<IdentityLookupState> state = IdentityLookupState::process());
    // The cache file: Paths::caches() / "Tal Cache".
    static std::filesystem::path path();

    FMDatabase& db() { return db_; }

    // Puts the file in WAL mode and creates the tables and the indexes; the application calls it
    // once at start on a connection whose error logging is off, so that objects that already exist
    // fail quietly. False, with a log line, when the schema could not be committed.
    [[nodiscard]] bool createTablesAsNeeded();
    void restoreIndexes();
    void removeIndexes();

    // The identity of a handle; never fails. The empty handle gives only the localised Name
    // "(Unknown)" and is not stored. Picture is read from the cache only when `includePicture`.
    IdentityRecord abPersonDataForParticipant(const std::string& handle, bool includePicture);
    // Every handle cached under the same identity as `handle`, itself included.
    std::vector<std::string> imHandlesForParticipant(const std::string& handle);

    // What the two lookups above answer for every handle already cached, read in two statements
    // (a list of thousands of people would otherwise cost three statements a person).
    struct CachedIdentities {
        std::unordered_map<std::string, IdentityRecord> records;  // by handle, without Picture
        std::unordered_map<std::string, std::vector<std::string>> handles;  // by UUID, in lookup order
    };
    CachedIdentities cachedIdentities();

private:
    TalvCacheDatabase(FMDatabase db, std::shared_ptr<IdentityLookupState> state);
    void createIndexes();
    std::optional<IdentityRecord> cachedRecord(const std::string& handle, bool includePicture);
    // The record found in the address book, else Adium's list, else the handle; with the row's Timestamp.
    std::pair<IdentityRecord, Date> resolve(const std::string& handle);
    std::optional<std::pair<IdentityRecord, Date>> addressBookRecord(const std::string& handle, AddressBook& book);
    std::optional<IdentityRecord> adiumRecord(const std::string& handle);

    FMDatabase db_;
    std::shared_ptr<IdentityLookupState> state_;
};

}  // namespace talv
