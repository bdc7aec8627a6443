#pragma once
// The identity services the transcript store writes chats through, backed by a cache
// connection of its own. Names are kept in memory once looked up (a chat names its participants
// again and again), and forgotten when the address book changes. Thread: one instance per thread.
#include "identity/TalvCacheDatabase.h"
#include "store/IdentityServices.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace talv {

class CacheIdentityServices : public IdentityServices {
public:
    // Opens the cache; when it cannot be opened, names fall back to the handle and nothing is removed.
    CacheIdentityServices();

    std::string participantName(const std::string& handle) override;
    void removeCachedChat(std::int64_t chatID) override;

private:
    std::optional<TalvCacheDatabase> cache_;
    std::unordered_map<std::string, std::string> names_;  // handle to name, for the book below
    std::weak_ptr<AddressBook> book_;
};

}  // namespace talv
