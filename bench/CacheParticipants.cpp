#include "bench/CacheParticipants.h"

namespace talv::bench {

Value CacheParticipants::identityRecord(const std::string& handle) {
    if (!cache_) return Value::Dictionary{{"Name", handle}, {"IMHandle", handle}};
    const IdentityRecord r = cache_->abPersonDataForParticipant(handle, false);
    Value::Dictionary record{{"Name", r.Name}};
    if (r.UUID) record.emplace("UUID", *r.UUID);
    if (r.IMHandle) record.emplace("IMHandle", *r.IMHandle);
    if (r.IsMe) record.emplace("IsMe", *r.IsMe);
    return record;
}

std::vector<std::string> CacheParticipants::handlesOfSamePerson(const std::string& handle) {
    if (handle.empty()) return {};
    if (!cache_) return {handle};
    return cache_->imHandlesForParticipant(handle);
}

}  // namespace talv::bench
