#pragma once
// The identity services the transcript store writes chats through, backed by a cache
// connection of its own. Thread: one instance per thread.
#include "identity/TalvCacheDatabase.h"
#include "store/IdentityServices.h"

#include <optional>

namespace talv {

class CacheIdentityServices : public IdentityServices {
public:
    // Opens the cache; when it cannot be opened, names fall back to the handle and nothing is removed.
    CacheIdentityServices();

    std::string participantName(const std::string& handle) override;
    void removeCachedChat(std::int64_t chatID) override;

private:
    std::optional<TalvCacheDatabase> cache_;
};

}  // namespace talv
