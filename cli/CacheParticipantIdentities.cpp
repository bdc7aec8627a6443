#include "cli/CacheParticipantIdentities.h"

namespace talv::cli {

CacheParticipantIdentities::CacheParticipantIdentities() : cache_(TalvCacheDatabase::open()) {}

Value CacheParticipantIdentities::identityRecord(const std::string& handle) {
    if (!cache_) return Value(Value::Dictionary{{"Name", handle}});
    const IdentityRecord record = cache_->abPersonDataForParticipant(handle, false);
    Value::Dictionary fields{{"Name", record.Name}};
    if (record.UUID) fields.emplace("UUID", *record.UUID);
    if (record.IMHandle) fields.emplace("IMHandle", *record.IMHandle);
    if (record.IsMe) fields.emplace("IsMe", *record.IsMe);
    return Value(std::move(fields));
}

std::vector<std::string> CacheParticipantIdentities::handlesOfSamePerson(const std::string& handle) {
    if (!cache_) return handle.empty() ? std::vector<std::string>{} : std::vector<std::string>{handle};
    return cache_->imHandlesForParticipant(handle);
}

}  // namespace talv::cli
