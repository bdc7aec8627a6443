#pragma once
// The participants list's view of the identity cache, over a connection of its own.
#include "browse/ParticipantIdentities.h"
#include "identity/TalvCacheDatabase.h"

#include <optional>

namespace talv::bench {

class CacheParticipants : public ParticipantIdentities {
public:
    CacheParticipants() : cache_(TalvCacheDatabase::open()) {}
    Value identityRecord(const std::string& handle) override;
    std::vector<std::string> handlesOfSamePerson(const std::string& handle) override;

private:
    std::optional<TalvCacheDatabase> cache_;
};

}  // namespace talv::bench
