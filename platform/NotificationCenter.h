#pragma once
// In-process notifications by name. Handlers run synchronously on the posting thread, in the
// order they were added; post from the main thread (observers expect it). Adding, removing
// and posting are thread-safe, and a handler removed during a post is not called after.
#include "platform/ObserverToken.h"
#include "platform/Value.h"

#include <functional>
#include <memory>
#include <string>

namespace talv {

struct Notification {
    std::string name;
    // The sender's identity, for filtering; never dereferenced by the center.
    const void* object = nullptr;
    Value userInfo;  // a dictionary, or null
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every name; a null object observes every sender.
    [[nodiscard]] ObserverToken addObserver(std::string name, const void* object, Handler handler);

    void postNotification(const Notification& notification);
    void postNotificationName(std::string name, const void* object = nullptr, Value userInfo = {});

private:
    struct Registry;
    std::shared_ptr<Registry> registry_;
};

}  // namespace talv
