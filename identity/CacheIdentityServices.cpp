#include "identity/CacheIdentityServices.h"

#include "platform/Log.h"
#include "platform/Strings.h"

#include <sqlite3.h>

namespace talv {

CacheIdentityServices::CacheIdentityServices() : cache_(TalvCacheDatabase::open()) {}

std::string CacheIdentityServices::participantName(const std::string& handle) {
    if (cache_) return cache_->abPersonDataForParticipant(handle, false).Name;
    return handle.empty() ? tr("(Unknown)") : handle;
}

void CacheIdentityServices::removeCachedChat(std::int64_t chatID) {
    if (cache_ && cache_->db().executeUpdate("DELETE FROM ChatsCache WHERE ChatID = ?;", {chatID}) != SQLITE_OK)
        logf("Cannot drop the cached chat {}: {}", chatID, cache_->db().lastErrorMessage());
}

}  // namespace talv
