#include "platform/NotificationCenter.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace talv {

struct NotificationCenter::Registry {
    struct Entry {
        std::string name;
        const void* object;
        Handler handler;
        std::atomic<bool> active{true};
    };

    std::mutex mutex;
    std::map<std::uint64_t, std::shared_ptr<Entry>> entries;  // guarded by mutex; key order = order added
    std::uint64_t nextId = 1;                                 // guarded by mutex
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Registry>()) {}

ObserverToken NotificationCenter::addObserver(std::string name, const void* object, Handler handler) {
    auto entry = std::make_shared<Registry::Entry>();
    entry->name = std::move(name);
    entry->object = object;
    entry->handler = std::move(handler);
    std::lock_guard lock(registry_->mutex);
    std::uint64_t id = registry_->nextId++;
    registry_->entries.emplace(id, entry);
    return ObserverToken([weak = std::weak_ptr<Registry>(registry_), id, entry] {
        entry->active = false;
        if (auto registry = weak.lock()) {
            std::lock_guard lock(registry->mutex);
            registry->entries.erase(id);
        }
    });
}

void NotificationCenter::postNotification(const Notification& notification) {
    std::vector<std::shared_ptr<Registry::Entry>> matching;
    {
        std::lock_guard lock(registry_->mutex);
        for (const auto& [id, entry] : registry_->entries)
            if ((entry->name.empty() || entry->name == notification.name) &&
                (!entry->object || entry->object == notification.object))
                matching.push_back(entry);
    }
    // Handlers run unlocked, so they may add and remove observers and post.
    for (const auto& entry : matching)
        if (entry->active) entry->handler(notification);
}

void NotificationCenter::postNotificationName(std::string name, const void* object, Value userInfo) {
    postNotification(Notification{std::move(name), object, std::move(userInfo)});
}

}  // namespace talv
