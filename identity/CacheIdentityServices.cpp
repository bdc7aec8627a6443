#include "identity/CacheIdentityServices.h"

#include "platform/Strings.h"

namespace talv {

CacheIdentityServices::CacheIdentityServices() : cache_(TalvCacheDatabase::open()) {}

std::string CacheIdentityServices::participantName(const std::string& handle) {
    if (cache_) return cache_->abPersonDataForParticipant(handle, false).Name;
    return handle.empty() ? tr("(Unknown)") : handle;
}

void CacheIdentityServices::removeCachedChat(std::int64_t chatID) {
    if (cache_) cache_->db().executeUpdate("DELETE FROM ChatsCache WHERE ChatID = ?;", {chatID});
}

}  // namespace talv
