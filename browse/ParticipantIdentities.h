#pragma once
// What the query engine asks of the identity cache to offer one participant entry per person.
// Implemented over the cache database; used on the engine's (main) thread.
#include "platform/Value.h"

#include <string>
#include <vector>

namespace talv {

class ParticipantIdentities {
public:
    virtual ~ParticipantIdentities() = default;
    // The identity record of a handle without picture: "Name", "UUID", "IMHandle", "IsMe".
    virtual Value identityRecord(const std::string& handle) = 0;
    // Every handle of the same person, the given one included; none for the empty handle.
    virtual std::vector<std::string> handlesOfSamePerson(const std::string& handle) = 0;
};

}  // namespace talv
