#pragma once
// What the transcript store asks of the identity cache while it writes a chat.
// Implemented in identity/; owned by whoever drives the store (one per thread).
#include <cstdint>
#include <string>

namespace talv {

class IdentityServices {
public:
    virtual ~IdentityServices() = default;
    // The name shown for a participant handle; never empty (falls back to the handle).
    virtual std::string participantName(const std::string& handle) = 0;
    // Drops the chat's row from the cache database's "ChatsCache" table.
    virtual void removeCachedChat(std::int64_t chatID) = 0;
};

}  // namespace talv
