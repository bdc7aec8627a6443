#pragma once
// The participants list's questions answered by the identity cache. When the cache cannot be
// opened, every handle stands for itself. Main thread only (one cache connection of its own).
#include "browse/ParticipantIdentities.h"
#include "identity/TalvCacheDatabase.h"

#include <optional>

namespace talv::cli {

class CacheParticipantIdentities : public ParticipantIdentities {
public:
    CacheParticipantIdentities();

    Value identityRecord(const std::string& handle) override;
    std::vector<std::string> handlesOfSamePerson(const std::string& handle) override;

private:
    std::optional<TalvCacheDatabase> cache_;
};

}  // namespace talv::cli
