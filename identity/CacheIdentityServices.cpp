#include "identity/CacheIdentityServices.h"

#include "identity/AddressBook.h"
#include "platform/Log.h"
#include "platform/Strings.h"

#include <sqlite3.h>

namespace talv {

CacheIdentityServices::CacheIdentityServices() : cache_(TalvCacheDatabase::open()) {}

std::string CacheIdentityServices::participantName(const std::string& handle) {
    if (!cache_) return handle.empty() ? tr("(Unknown)") : handle;
    // The same control block means the same book: an expired one still holds its block.
    const std::shared_ptr<AddressBook> book = AddressBook::shared();
    if (book_.owner_before(book) || book.owner_before(book_)) {
        names_.clear();
        book_ = book;
    }
    if (auto known = names_.find(handle); known != names_.end()) return known->second;
    std::string name = cache_->abPersonDataForParticipant(handle, false).Name;
    names_.emplace(handle, name);
    return name;
}

void CacheIdentityServices::removeCachedChat(std::int64_t chatID) {
    if (cache_ && cache_->db().executeUpdate("DELETE FROM ChatsCache WHERE ChatID = ?;", {chatID}) != SQLITE_OK)
        logf("Cannot drop the cached chat {}: {}", chatID, cache_->db().lastErrorMessage());
}

}  // namespace talv
