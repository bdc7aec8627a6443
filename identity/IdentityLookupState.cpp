#include "identity/IdentityLookupState.h"

#include "store/FMDatabase.h"

namespace talv {

std::shared_ptr<IdentityLookupState> IdentityLookupState::process() {
    static const auto state = std::make_shared<IdentityLookupState>();
    return state;
}

void IdentityLookupState::purgeTransientRowsOnce(FMDatabase& db) {
    // Rows left behind by a failed purge only keep stale Adium names until the next start.
    std::call_once(purged_, [&] { (void)db.executeUpdate("DELETE FROM ABMap WHERE ABUUID LIKE 'ADIUM_TRANSIENT_%';"); });
}

const std::vector<AdiumContact>& IdentityLookupState::adiumContacts() {
    std::call_once(adiumLoaded_, [this] { adiumContacts_ = AdiumParticipantImporter().importParticipants(); });
    return adiumContacts_;
}

}  // namespace talv
